#include "platform/linux/DesktopWorkspace.h"

#include "common/DesktopEntry.h"
#include "common/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tavolin {
namespace {

constexpr int kMaxEntriesScanned = 4096;

bool startDetached(const DesktopCommand &command)
{
    return QProcess::startDetached(command.program, command.arguments, command.workingDir);
}

// A desktop id names a file below an application folder; anything that could climb out is refused.
bool isPlausibleId(const QString &id)
{
    return !id.isEmpty() && id.size() < 256 && !id.contains(QLatin1Char('/')) && !id.contains(QChar(0))
        && !id.startsWith(QLatin1Char('.'));
}

// "a-b-c" may live at a-b-c.desktop, a/b-c.desktop or a/b/c.desktop (ids join folders with "-").
QStringList relativePathsForId(const QString &id)
{
    QStringList paths{id + QStringLiteral(".desktop")};
    QString path = id;
    for (qsizetype dash = path.indexOf(QLatin1Char('-')); dash > 0; dash = path.indexOf(QLatin1Char('-'), dash + 1)) {
        path[dash] = QLatin1Char('/');
        paths << path + QStringLiteral(".desktop");
    }
    return paths;
}

} // namespace

DesktopWorkspace::DesktopWorkspace() : DesktopWorkspace(Options{}) {}

DesktopWorkspace::DesktopWorkspace(Options options) : m_options(std::move(options)) {}

QStringList DesktopWorkspace::applicationDirs() const
{
    return m_options.applicationDirs.isEmpty() ? desktopentry::applicationDirs() : m_options.applicationDirs;
}

bool DesktopWorkspace::programExists(const QString &program) const
{
    if (m_options.programExists)
        return m_options.programExists(program);
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

std::optional<desktopentry::Entry> DesktopWorkspace::readEntry(const QString &path, const QString &id) const
{
    std::optional<desktopentry::Entry> entry = desktopentry::read(path, id);
    if (!entry || entry->hidden || entry->type != QLatin1String("Application") || entry->exec.isEmpty())
        return std::nullopt;
    if (!entry->tryExec.isEmpty() && !programExists(entry->tryExec))
        return std::nullopt; // the entry's program is not installed
    return entry;
}

std::optional<desktopentry::Entry> DesktopWorkspace::entryById(const QString &id) const
{
    if (!isPlausibleId(id))
        return std::nullopt;
    // The first folder that holds the id decides, even when its entry is hidden (the user's override).
    for (const QString &dir : applicationDirs()) {
        for (const QString &relative : relativePathsForId(id)) {
            const QString path = QDir(dir).filePath(relative);
            if (QFileInfo(path).isFile())
                return readEntry(path, id);
        }
    }
    return std::nullopt;
}

std::optional<desktopentry::Entry> DesktopWorkspace::entryByName(const QString &name) const
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    int scanned = 0;
    std::optional<desktopentry::Entry> found;
    desktopentry::forEachFile(applicationDirs(), [&](const QString &path, const QString &id) {
        std::optional<desktopentry::Entry> entry = readEntry(path, id);
        if (entry && entry->name.compare(wanted, Qt::CaseInsensitive) == 0)
            found = std::move(entry);
        return !found && ++scanned < kMaxEntriesScanned;
    });
    return found;
}

std::optional<desktopentry::Entry> DesktopWorkspace::findEntry(const OpenWith &app) const
{
    if (app.bundleIdentifier) {
        if (std::optional<desktopentry::Entry> entry = entryById(*app.bundleIdentifier))
            return entry;
    }
    if (app.appName)
        return entryByName(*app.appName);
    return std::nullopt;
}

std::optional<DesktopCommand> DesktopWorkspace::defaultHandler(const QString &target) const
{
    if (programExists(QStringLiteral("gio")))
        return DesktopCommand{QStringLiteral("gio"), {QStringLiteral("open"), target}, {}};
    if (programExists(QStringLiteral("xdg-open")))
        return DesktopCommand{QStringLiteral("xdg-open"), {target}, {}};
    return std::nullopt;
}

std::optional<DesktopCommand> DesktopWorkspace::commandForFile(const QString &path, const OpenWith &app) const
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return std::nullopt;
    // Absolute, so the argument starts with "/" and no application reads it as an option.
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const std::optional<desktopentry::Entry> entry = findEntry(app);
    if (entry && desktopexec::takesFiles(entry->exec)) {
        if (entry->terminal) {
            if (programExists(QStringLiteral("gio")))
                return DesktopCommand{QStringLiteral("gio"), {QStringLiteral("launch"), entry->path, file}, {}};
        } else {
            const DesktopExecContext context{entry->icon, entry->name, entry->path};
            if (std::optional<DesktopCommand> command = desktopexec::expand(entry->exec, {file}, context)) {
                command->workingDir = entry->workingDir;
                return command;
            }
            log::error(QStringLiteral("workspace: the Exec line of %1 cannot be used").arg(entry->path));
        }
    }
    return defaultHandler(file);
}

bool DesktopWorkspace::openFile(const QString &path, const OpenWith &app)
{
    const std::optional<DesktopCommand> command = commandForFile(path, app);
    if (!command)
        return false;
    const Launcher &launch = m_options.launcher ? m_options.launcher : Launcher(startDetached);
    const bool started = launch(*command);
    if (!started)
        log::error(QStringLiteral("workspace: could not start %1 to open %2").arg(command->program, path));
    return started;
}

bool DesktopWorkspace::openUrl(const QUrl &url)
{
    static const QStringList kSchemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto"),
                                      QStringLiteral("file")};
    if (!url.isValid() || !kSchemes.contains(url.scheme().toLower()))
        return false;
    const std::optional<DesktopCommand> command = defaultHandler(QString::fromUtf8(url.toEncoded()));
    if (!command)
        return false;
    const Launcher &launch = m_options.launcher ? m_options.launcher : Launcher(startDetached);
    return launch(*command);
}

} // namespace tavolin
