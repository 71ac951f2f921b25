#include "common/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <utility>

namespace tavolin::desktopentry {
namespace {

constexpr qsizetype kMaxExecLength = 16 * 1024;

// The keys Entry holds, and where each goes.
const std::pair<QLatin1String, QString Entry::*> kTextKeys[] = {
    {QLatin1String("Type"), &Entry::type},       {QLatin1String("Name"), &Entry::name},
    {QLatin1String("Icon"), &Entry::icon},       {QLatin1String("Exec"), &Entry::exec},
    {QLatin1String("TryExec"), &Entry::tryExec}, {QLatin1String("Path"), &Entry::workingDir},
    {QLatin1String("StartupWMClass"), &Entry::wmClass},
};
const std::pair<QLatin1String, bool Entry::*> kFlagKeys[] = {
    {QLatin1String("Terminal"), &Entry::terminal},
    {QLatin1String("Hidden"), &Entry::hidden},
    {QLatin1String("NoDisplay"), &Entry::noDisplay},
};

void setField(Entry &entry, const QString &key, const QString &value)
{
    for (const auto &[name, field] : kTextKeys) {
        if (key == name) {
            entry.*field = value;
            return;
        }
    }
    for (const auto &[name, flag] : kFlagKeys) {
        if (key == name) {
            entry.*flag = value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            return;
        }
    }
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
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

QString idOf(const QString &dir, const QString &path)
{
    QString id = QDir(dir).relativeFilePath(path);
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(qsizetype(sizeof(".desktop") - 1));
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return id;
}

void forEachFile(const QStringList &dirs, const std::function<bool(const QString &path, const QString &id)> &visit)
{
    QSet<QString> seen;
    for (const QString &dir : dirs) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        // Listing order depends on the file system; sorted, the same folders always give the same answer.
        files.sort();
        for (const QString &path : files) {
            const QString id = idOf(dir, path);
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (!visit(path, id))
                return;
        }
    }
}

Entry parse(const QString &id, const QByteArray &text)
{
    Entry entry;
    entry.id = id;
    QSet<QString> given;
    bool inMain = false;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inMain || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (given.contains(key))
            continue;
        given.insert(key);
        const QString value = unescapeValue(line.mid(eq + 1).trimmed());
        setField(entry, key, value);
    }
    return entry;
}

std::optional<Entry> read(const QString &path, const QString &id)
{
    QFile file(path);
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Entry entry = parse(id, file.readAll());
    entry.path = path;
    return entry;
}

QString unescapeValue(const QString &raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out += c;
            continue;
        }
        const QChar next = raw.at(i + 1);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); ++i; break;
        case 'n': out += QLatin1Char('\n'); ++i; break;
        case 't': out += QLatin1Char('\t'); ++i; break;
        case 'r': out += QLatin1Char('\r'); ++i; break;
        case '\\': out += QLatin1Char('\\'); ++i; break;
        default: out += c; break;
        }
    }
    return out;
}

std::optional<QStringList> splitExec(const QString &exec)
{
    if (exec.size() > kMaxExecLength || exec.contains(QChar(0)))
        return std::nullopt;
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()
                       && QStringView(u"\"`$\\").contains(exec.at(i + 1))) {
                current += exec.at(++i);
            } else {
                current += c;
            }
            continue;
        }
        if (isBlank(c)) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('\\')) {
            if (++i >= exec.size())
                return std::nullopt;
            current += exec.at(i);
        } else {
            current += c;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments << current;
    return arguments;
}

QString executableOfExec(const QString &exec)
{
    const QStringList parts = splitExec(exec).value_or(QStringList());
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

} // namespace tavolin::desktopentry
