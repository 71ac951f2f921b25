#include "ApplicationCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace tavolin::ApplicationCatalog {
namespace {

constexpr qint64 kMaxDesktopFileSize = 256 * 1024; // a .desktop file is a few KiB; refuse anything huge

bool isTrue(const QString &value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// Splits an Exec line into arguments, honouring double quotes and backslash escapes inside them.
QStringList splitExec(const QString &exec)
{
    QStringList parts;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current += exec.at(++i);
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any || !current.isEmpty())
                parts << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        parts << current;
    return parts;
}

} // namespace

QStringList applicationDirs()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList dirs{dataHome + QStringLiteral("/applications")};
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << dir + QStringLiteral("/applications");
    dirs.removeDuplicates();
    return dirs;
}

QString executableFromExec(const QString &exec)
{
    QStringList parts = splitExec(exec);
    qsizetype i = 0;
    if (i < parts.size() && QFileInfo(parts.at(i)).fileName() == QLatin1String("env")) {
        ++i;
        while (i < parts.size() && (parts.at(i).contains(QLatin1Char('=')) || parts.at(i).startsWith(QLatin1Char('-'))))
            ++i;
    }
    if (i >= parts.size() || parts.at(i).startsWith(QLatin1Char('%')))
        return QString();
    return QFileInfo(parts.at(i)).fileName();
}

DesktopApp parseDesktopEntry(const QString &desktopId, const QByteArray &text)
{
    DesktopApp app;
    bool inEntry = false;
    bool hidden = false;
    QString type;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inEntry || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Name") && app.name.isEmpty())
            app.name = value;
        else if (key == QLatin1String("Exec") && app.executable.isEmpty())
            app.executable = executableFromExec(value);
        else if (key == QLatin1String("Icon"))
            app.icon = value;
        else if (key == QLatin1String("NoDisplay") || key == QLatin1String("Hidden"))
            hidden = hidden || isTrue(value);
    }
    if (hidden || type != QLatin1String("Application") || app.executable.isEmpty())
        return DesktopApp{};
    app.desktopId = desktopId;
    if (app.name.isEmpty())
        app.name = app.executable;
    return app;
}

QList<DesktopApp> installedApplications(const QStringList &dirs)
{
    QList<DesktopApp> apps;
    QSet<QString> seen;
    for (const QString &dir : dirs) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString &path : files) {
            // The desktop id of applications/kde/foo.desktop is "kde-foo".
            QString id = QDir(dir).relativeFilePath(path);
            id.chop(qsizetype(sizeof(".desktop") - 1));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            QFile file(path);
            if (file.size() > kMaxDesktopFileSize || !file.open(QIODevice::ReadOnly))
                continue;
            const DesktopApp app = parseDesktopEntry(id, file.readAll());
            if (!app.executable.isEmpty())
                apps << app;
        }
    }
    std::stable_sort(apps.begin(), apps.end(), [](const DesktopApp &a, const DesktopApp &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return apps;
}

DesktopApp fromExecutablePath(const QString &path, const QList<DesktopApp> &installed)
{
    const QString name = QFileInfo(path).fileName();
    for (const DesktopApp &app : installed) {
        if (app.executable == name)
            return app;
    }
    return DesktopApp{name, name, name, QString()};
}

} // namespace tavolin::ApplicationCatalog
