// A desktop entry's Exec line with a file name: both come from files a user was handed.
// Input: the Exec value, NUL, a file name.
#include "FuzzSupport.h"

#include "common/DesktopEntry.h"
#include "platform/linux/DesktopExec.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = fuzz::splitInput(data, size, 2);
    const QString exec = desktopentry::unescapeValue(QString::fromUtf8(parts.at(0)));
    const QString file = QLatin1Char('/') + QString::fromUtf8(parts.at(1));
    const DesktopExecContext context{QStringLiteral("icon"), QStringLiteral("Name"), QStringLiteral("/a.desktop")};

    (void)desktopexec::takesFiles(exec);
    const std::optional<QStringList> split = desktopentry::splitExec(exec);
    const std::optional<DesktopCommand> command = desktopexec::expand(exec, {file}, context);
    if (command) {
        // The program is the line's own first word: no file name or field code ever becomes the program.
        fuzz::require(split && !split->isEmpty() && command->program == split->first(),
                      "the program is the Exec line's first word", exec);
        // Whatever the file name holds, it never changes how the line splits: as many arguments as with a
        // plain name.
        const std::optional<DesktopCommand> plain = desktopexec::expand(exec, {QStringLiteral("/x")}, context);
        fuzz::require(plain && plain->arguments.size() == command->arguments.size(),
                      "a file name never adds or removes arguments", exec + QLatin1Char('|') + file);
    }

    // The common line: the file name is passed as exactly one argument, as it is.
    const std::optional<DesktopCommand> simple = desktopexec::expand(QStringLiteral("prog %f"), {file}, context);
    fuzz::require(simple && simple->program == QLatin1String("prog") && simple->arguments == QStringList{file},
                  "%f passes the file name as one argument", file);
    return 0;
}
