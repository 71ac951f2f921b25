#include "platform/linux/ProcessIdentity.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "common/DesktopEntry.h"
#include "common/Log.h"
#include "common/Mutex.h"

#include <chrono>
#include <memory>

namespace tavolin {
namespace {

// An entry as matching needs it: the program of its Exec line worked out once, when the file is read.
struct DesktopEntry
{
    desktopentry::Entry entry;
    QString execProgram;
};

// Every .desktop file, the first folder winning for a desktop id; hidden entries left out.
std::vector<DesktopEntry> desktopEntries(const QStringList &dirs)
{
    std::vector<DesktopEntry> entries;
    desktopentry::forEachFile(dirs, [&entries](const QString &path, const QString &id) {
        std::optional<desktopentry::Entry> entry = desktopentry::read(path, id);
        if (entry && !entry->hidden) {
            QString program = desktopentry::executableOfExec(entry->exec);
            entries.push_back({std::move(*entry), std::move(program)});
        }
        return true;
    });
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
            MutexLocker lock(m_mutex);
            if (m_entries && m_dirs == dirs && m_stamp == stamp)
                return m_entries;
        }
        auto entries = std::make_shared<const std::vector<DesktopEntry>>(desktopEntries(dirs));
        MutexLocker lock(m_mutex);
        m_dirs = dirs;
        m_stamp = std::move(stamp);
        m_entries = entries;
        return entries;
    }

private:
    Mutex m_mutex;
    QStringList m_dirs GUARDED_BY(m_mutex);
    std::vector<FileStamp> m_stamp GUARDED_BY(m_mutex);
    std::shared_ptr<const std::vector<DesktopEntry>> m_entries GUARDED_BY(m_mutex);
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
            if (e.entry.wmClass.compare(*windowClass, Qt::CaseInsensitive) == 0)
                return &e;
    const QString suffix = QLatin1Char('.') + appName;
    for (const DesktopEntry &e : entries)
        if (e.entry.id == appName || e.entry.id.endsWith(suffix))
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

    const QStringList dirs = options.applicationDirs.isEmpty() ? desktopentry::applicationDirs() : options.applicationDirs;
    const auto lookupStart = std::chrono::steady_clock::now();
    const std::shared_ptr<const std::vector<DesktopEntry>> entries = desktopEntryCache().entriesOf(dirs);
    log::debug(QStringLiteral("desktop files of pid %1 looked up in %2 us")
                   .arg(pid)
                   .arg(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - lookupStart).count()));
    if (const DesktopEntry *match = matchEntry(*entries, appName, windowClass)) {
        const desktopentry::Entry *entry = &match->entry;
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
