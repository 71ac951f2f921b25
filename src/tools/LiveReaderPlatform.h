#pragma once

#include "tools/MenuTool.h"

#include <QString>
#include <QStringList>

namespace tavolin::menutool {

// tavolin-menu's applications, for a program that links no accessibility, D-Bus or X11 library: asking for
// one replaces this process with the live reader (tavolin-menu-live, the same tool over AtspiToolPlatform)
// run with the program's own arguments, so it answers, prints and exits in its place. Ranking a rows file
// never gets here and never loads those libraries.
//
// The reader is looked for beside the program (the build tree), then in the install location (the
// libexec directory next to bin). application() returns only when no reader can be started, with a
// failure saying why. Call it before writing any output (buffered output would be lost). Main thread;
// `argv` must outlive the platform (main's).
class LiveReaderPlatform final : public ToolPlatform
{
public:
    explicit LiveReaderPlatform(char **argv) : m_argv(argv) {}

    Target application(std::optional<int32_t> pid) override;

    // Where the reader is looked for, in order, for a program in `programDir`.
    static QStringList readerCandidates(const QString &programDir);

private:
    char **m_argv;
};

} // namespace tavolin::menutool
