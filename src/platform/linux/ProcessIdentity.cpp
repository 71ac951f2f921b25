#include "platform/linux/ProcessIdentity.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include "common/Log.h"

#include <chrono>
#include <memory>
#include <mutex>

namespace tavolin {
namespace {

struct DesktopEntry
{
    QString id;
    QString path;
    QString name;
    QString icon;
    QString execProgram; // file name of the first word of Exec=
    QString wmClass;
};

QString programOfExec(const QString &exec)
{
    QString first = exec.trimmed().section(QLatin1Char(' '), 0, 0);
    first.remove(QLatin1Char('"'));
    if (first == QLatin1String("env")) // "env VAR=x prog ..."
        for (const QString &word : exec.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1))
            if (!word.contains(QLatin1Char('=')))
                return QFileInfo(word).fileName();
    return QFileInfo(first).fileName();
}

// Reads the [Desktop Entry] group only; other groups (actions) have keys of the same names.
std::optional<DesktopEntry> readDesktopFile(const QString &path, const QString &id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    DesktopEntry entry{id, path, {}, {}, {}, {}};
    bool inMain = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMain)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("Exec"))
            entry.execProgram = programOfExec(value);
        else if (key == QLatin1String("StartupWMClass"))
            entry.wmClass = value;
        else if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            hidden = true;
    }
    if (hidden)
        return std::nullopt;
    return entry;
}

// Every .desktop file, the first folder winning for a desktop id (as the menu specification says).
std::vector<DesktopEntry> desktopEntries(const QStringList &dirs)
{
    std::vector<DesktopEntry> entries;
    QSet<QString> seen;
    for (const QString &dir : dirs) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(dir).relativeFilePath(path);
            id.chop(int(sizeof(".desktop") - 1));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (std::optional<DesktopEntry> entry = readDesktopFile(path, id))
                entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

struct FileStamp
{
    QString path;
    qint64 modified = 0;
    qint64 size = 0;
    bool operator==(const FileStamp &) const = default;
};

// What the .desktop files of some folders are now: each file's path, size and modification time, in listing
// order. Listing and stat'ing them costs a fraction of reading and parsing them all.
std::vector<FileStamp> desktopFilesStamp(const QStringList &dirs)
{
    std::vector<FileStamp> stamp;
    for (const QString &dir : dirs) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            stamp.push_back({info.filePath(), info.lastModified().toMSecsSinceEpoch(), info.size()});
        }
    }
    return stamp;
}

// The parsed .desktop files of the last folders asked for, kept between shows: every show asks for the
// focused application's identity, and a desktop holds hundreds of these files. Read again when a file was
// added, removed or changed. Thread-safe.
class DesktopEntryCache
{
public:
    std::shared_ptr<const std::vector<DesktopEntry>> entriesOf(const QStringList &dirs)
    {
        std::vector<FileStamp> stamp = desktopFilesStamp(dirs);
        {
            std::lock_guard lock(m_mutex);
            if (m_entries && m_dirs == dirs && m_stamp == stamp)
                return m_entries;
        }
        auto entries = std::make_shared<const std::vector<DesktopEntry>>(desktopEntries(dirs));
        std::lock_guard lock(m_mutex);
        m_dirs = dirs;
        m_stamp = std::move(stamp);
        m_entries = entries;
        return entries;
    }

private:
    std::mutex m_mutex;
    QStringList m_dirs;                                         // guarded by m_mutex
    std::vector<FileStamp> m_stamp;                             // guarded by m_mutex
    std::shared_ptr<const std::vector<DesktopEntry>> m_entries; // guarded by m_mutex
};

DesktopEntryCache &desktopEntryCache()
{
    static DesktopEntryCache cache;
    return cache;
}

const DesktopEntry *matchEntry(const std::vector<DesktopEntry> &entries, const QString &appName,
                               const std::optional<QString> &windowClass)
{
    if (windowClass && !windowClass->isEmpty())
        for (const DesktopEntry &e : entries)
            if (e.wmClass.compare(*windowClass, Qt::CaseInsensitive) == 0)
                return &e;
    const QString suffix = QLatin1Char('.') + appName;
    for (const DesktopEntry &e : entries)
        if (e.id == appName || e.id.endsWith(suffix))
            return &e;
    for (const DesktopEntry &e : entries)
        if (e.execProgram == appName)
            return &e;
    return nullptr;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QStringList ProcessIdentity::defaultApplicationDirs()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = env.value(QStringLiteral("XDG_DATA_DIRS"));
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList dirs{dataHome + QStringLiteral("/applications")};
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << dir + QStringLiteral("/applications");
    return dirs;
}

bool ProcessIdentity::isAlive(int32_t pid, const QString &procRoot)
{
    if (pid <= 0)
        return false;
    const QByteArray stat = readAll(QStringLiteral("%1/%2/stat").arg(procRoot).arg(pid));
    // "PID (comm) S ...": the state follows the last ')' (comm may hold parentheses).
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return false;
    return stat.at(close + 2) != 'Z' && stat.at(close + 2) != 'X';
}

std::optional<QString> ProcessIdentity::languageFromEnvironment(const QByteArray &environment)
{
    QHash<QByteArray, QByteArray> vars;
    for (const QByteArray &entry : environment.split('\0')) {
        const qsizetype eq = entry.indexOf('=');
        if (eq > 0)
            vars.insert(entry.left(eq), entry.mid(eq + 1));
    }
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        QByteArray value = vars.value(name);
        if (qstrcmp(name, "LANGUAGE") == 0)
            value = value.split(':').value(0);
        if (value.isEmpty())
            continue;
        if (value == "C" || value == "POSIX" || value.startsWith("C."))
            return std::nullopt;
        return QString::fromLocal8Bit(value);
    }
    return std::nullopt;
}

std::optional<RunningApp> ProcessIdentity::runningApp(int32_t pid, const std::optional<QString> &windowClass,
                                                      const Options &options)
{
    return runningApp(pid, windowClass, options,
                      readAll(QStringLiteral("%1/%2/environ").arg(options.procRoot).arg(pid)));
}

std::optional<RunningApp> ProcessIdentity::runningApp(int32_t pid, const std::optional<QString> &windowClass,
                                                      const Options &options, const QByteArray &environment)
{
    if (!isAlive(pid, options.procRoot))
        return std::nullopt;
    const QString procDir = QStringLiteral("%1/%2").arg(options.procRoot).arg(pid);
    RunningApp app;
    app.pid = pid;
    const QString exe = QFileInfo(procDir + QStringLiteral("/exe")).symLinkTarget();
    QString appName = QFileInfo(exe).fileName();
    appName.remove(QStringLiteral(" (deleted)"));
    if (appName.isEmpty())
        appName = QString::fromLocal8Bit(readAll(procDir + QStringLiteral("/comm"))).trimmed();
    if (!appName.isEmpty())
        app.appName = appName;

    const QStringList dirs = options.applicationDirs.isEmpty() ? defaultApplicationDirs() : options.applicationDirs;
    const auto lookupStart = std::chrono::steady_clock::now();
    const std::shared_ptr<const std::vector<DesktopEntry>> entries = desktopEntryCache().entriesOf(dirs);
    log::debug(QStringLiteral("desktop files of pid %1 looked up in %2 us")
                   .arg(pid)
                   .arg(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - lookupStart).count()));
    if (const DesktopEntry *entry = matchEntry(*entries, appName, windowClass)) {
        app.bundleIdentifier = entry->id;
        app.bundlePath = entry->path;
        if (!entry->name.isEmpty())
            app.name = entry->name;
        app.iconName = entry->icon;
    } else if (!appName.isEmpty()) {
        app.bundleIdentifier = appName;
    }

    app.preferredLanguage = languageFromEnvironment(environment);
    // An application installed under a prefix keeps its catalogs there: /opt/x/bin/x → /opt/x/share/locale.
    if (!exe.isEmpty()) {
        const QString prefixLocale = QFileInfo(exe).dir().absoluteFilePath(QStringLiteral("../share/locale"));
        app.localeDirs << QDir::cleanPath(prefixLocale);
    }
    for (const QString &dir : {QStringLiteral("/usr/share/locale"), QStringLiteral("/usr/local/share/locale")})
        if (!app.localeDirs.contains(dir))
            app.localeDirs << dir;
    if (!appName.isEmpty())
        app.textDomains << appName;
    app.textDomains << QStringLiteral("gtk30");
    return app;
}

} // namespace tavolin
