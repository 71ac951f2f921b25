#pragma once

#include <QString>

namespace tavolin {

// Shows the user an error that happened away from any window, such as a failed extension run.
//
// Contract: `title` is what failed (an extension's label; the implementation frames it, e.g.
// Error on "Copy Path"), `text` is the reason, shown as the body and offered for copying. Implementations
// must accept calls from any thread (extension runs report from worker threads) and hop to their own
// thread themselves. Delivery is best effort: when notifications are not allowed the error is dropped.
class Notifier
{
public:
    virtual ~Notifier() = default;

    // What failed; desktops group and style notifications by it.
    enum class ErrorKind { Extension, Shortcut, Command };

    virtual void showError(const QString &title, const QString &text, ErrorKind kind) = 0;
};

} // namespace tavolin
