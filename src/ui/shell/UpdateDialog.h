#pragma once

#include "ui/shell/UpdateHelper.h"

#include <QCoreApplication>

namespace tavolin {

// The interactive update check's questions as message boxes; addresses open in the default browser.
// Main thread; each question waits for the user (a modal dialog).
class DialogUpdatePrompt final : public UpdatePrompt
{
    Q_DECLARE_TR_FUNCTIONS(tavolin::DialogUpdatePrompt)

public:
    Choice offerUpdate(const AppcastItem &item, const QString &currentVersion) override;
    void inform(const QString &message) override;
    void openUrl(const QUrl &url) override;
};

} // namespace tavolin
