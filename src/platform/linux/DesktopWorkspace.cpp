#include "platform/linux/DesktopWorkspace.h"

#include "common/Log.h"
#include "platform/linux/ProcessIdentity.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

namespace tavolin {
namespace {

constexpr qint64 kMaxEntrySize = 256 * 1024; // a desktop file is a few kilobytes; more is not one
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
    return m_options.applicationDirs.isEmpty() ? ProcessIdentity::defaultApplicationDirs() : m_options.applicationDirs;
}

bool DesktopWorkspace::programExists(const QString &program) const
{
    if (m_options.programExists)
        return m_options.programExists(program);
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

std::optional<DesktopEntryInfo> DesktopWorkspace::readEntry(const QString &path, const QString &id) const
{
    QFile file(path);
    if (file.size() > kMaxEntrySize || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    DesktopEntryInfo entry{id, path, {}, {}, {}, {}, false};
    QString type;
    QString tryExec;
    bool inMain = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]"); // other groups (actions) reuse the key names
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inMain || eq <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = desktopexec::unescapeValue(line.mid(eq + 1).trimmed());
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Path"))
            entry.workingDir = value;
        else if (key == QLatin1String("Terminal"))
            entry.terminal = value == QLatin1String("true");
        else if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("TryExec"))
            tryExec = value;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
    }
    if (hidden || type != QLatin1String("Application") || entry.exec.isEmpty())
        return std::nullopt;
    if (!tryExec.isEmpty() && !programExists(tryExec))
        return std::nullopt; // the entry's program is not installed
    return entry;
}

std::optional<DesktopEntryInfo> DesktopWorkspace::entryById(const QString &id) const
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

std::optional<DesktopEntryInfo> DesktopWorkspace::entryByName(const QString &name) const
{
    if (name.trimmed().isEmpty())
        return std::nullopt;
    int scanned = 0;
    QSet<QString> seen; // the first folder holding an id decides, as for lookups by id
    for (const QString &dir : applicationDirs()) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext() && scanned++ < kMaxEntriesScanned) {
            const QString path = it.next();
            QString id = QDir(dir).relativeFilePath(path);
            id.chop(int(sizeof(".desktop") - 1));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            std::optional<DesktopEntryInfo> entry = readEntry(path, id);
            if (entry && entry->name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
                return entry;
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntryInfo> DesktopWorkspace::findEntry(const OpenWith &app) const
{
    if (app.bundleIdentifier) {
        if (std::optional<DesktopEntryInfo> entry = entryById(*app.bundleIdentifier))
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
    const std::optional<DesktopEntryInfo> entry = findEntry(app);
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
