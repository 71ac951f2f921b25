#include "platform/linux/DesktopExec.h"

#include "common/DesktopEntry.h"

#include <QUrl>

namespace tavolin::desktopexec {
namespace {

QString urlOf(const QString &path)
{
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded(QUrl::FullyEncoded));
}

// One argument with its field codes expanded into `out` (zero, one or several arguments). False for an
// unknown field code.
bool expandArgument(const QString &argument, const QStringList &files, const DesktopExecContext &context,
                    QStringList &out)
{
    // Codes that stand for a list, or for two arguments, only do so as an argument of their own.
    if (argument == QLatin1String("%F")) {
        out << files;
        return true;
    }
    if (argument == QLatin1String("%U")) {
        for (const QString &file : files)
            out << urlOf(file);
        return true;
    }
    if (argument == QLatin1String("%i")) {
        if (!context.icon.isEmpty())
            out << QStringLiteral("--icon") << context.icon;
        return true;
    }
    QString text;
    bool onlyCodes = true;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument.at(i) != QLatin1Char('%')) {
            text += argument.at(i);
            onlyCodes = false;
            continue;
        }
        if (++i >= argument.size())
            return false; // a lone "%" at the end
        const QChar code = argument.at(i);
        switch (code.unicode()) {
        case '%':
            text += QLatin1Char('%');
            onlyCodes = false;
            break;
        case 'f':
        case 'F':
            text += files.value(0);
            break;
        case 'u':
        case 'U':
            if (!files.isEmpty())
                text += urlOf(files.first());
            break;
        case 'c':
            text += context.name;
            break;
        case 'k':
            text += context.desktopFile;
            break;
        case 'i': // inside a longer argument there is no room for two
        case 'd':
        case 'D':
        case 'n':
        case 'N':
        case 'v':
        case 'm':
            break;
        default:
            return false;
        }
    }
    if (!(onlyCodes && text.isEmpty()))
        out << text;
    return true;
}

} // namespace

bool takesFiles(const QString &exec)
{
    const std::optional<QStringList> arguments = desktopentry::splitExec(exec);
    if (!arguments)
        return false;
    for (const QString &argument : *arguments) {
        for (qsizetype i = 0; i + 1 < argument.size(); ++i) {
            if (argument.at(i) != QLatin1Char('%'))
                continue;
            const QChar code = argument.at(++i);
            if (QStringView(u"fFuU").contains(code))
                return true;
        }
    }
    return false;
}

std::optional<DesktopCommand> expand(const QString &exec, const QStringList &files, const DesktopExecContext &context)
{
    const std::optional<QStringList> arguments = desktopentry::splitExec(exec);
    if (!arguments || arguments->isEmpty())
        return std::nullopt;
    const QString &program = arguments->first();
    if (program.isEmpty() || program.contains(QLatin1Char('%')))
        return std::nullopt;
    DesktopCommand command{program, {}, {}};
    for (qsizetype i = 1; i < arguments->size(); ++i) {
        if (!expandArgument(arguments->at(i), files, context, command.arguments))
            return std::nullopt;
    }
    return command;
}

} // namespace tavolin::desktopexec
