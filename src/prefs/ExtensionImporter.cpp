#include "ExtensionImporter.h"

#include "common/KeyData.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace tavolin {
namespace {

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// First letter of each word upper case, the rest lower case; words are separated by white space.
QString capitalized(const QString &text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result.at(i).isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            result[i] = result.at(i).toUpper();
            wordStart = false;
        }
    }
    return result;
}

bool pathExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Copies a file, or a folder with everything in it; links are copied as links. False on the first failure.
bool copyRecursively(const QString &source, const QString &target)
{
    const QFileInfo info(source);
    if (info.isSymLink())
        return QFile::link(info.symLinkTarget(), target);
    if (!info.isDir())
        return QFile::copy(source, target);
    if (!QDir().mkdir(target))
        return false;
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString child = it.next();
        if (!copyRecursively(child, target + QLatin1Char('/') + it.fileName()))
            return false;
    }
    return true;
}

} // namespace

ExtensionImporter::ExtensionImporter(QString folder, Clock now, Wait waitASecond)
    : m_folder(QDir::cleanPath(folder)), m_now(now ? std::move(now) : [] { return QDateTime::currentDateTime(); }),
      m_waitASecond(waitASecond ? std::move(waitASecond) : [] { QThread::sleep(1); })
{
}

const QString &ExtensionImporter::noEntryMessage()
{
    static const QString text = QObject::tr("No entry found in the manifest.json file.");
    return text;
}

const QString &ExtensionImporter::missingEntryMessage()
{
    static const QString text = QObject::tr("Entry file not exist in the bundle.");
    return text;
}

const QString &ExtensionImporter::entryOutsideMessage()
{
    static const QString text = QObject::tr("Entry file must be inside the bundle.");
    return text;
}

ExtensionImporter::PlainName ExtensionImporter::parsePlainName(const QString &baseName)
{
    const qsizetype dash = baseName.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return {QStringLiteral("all"), baseName};
    QString app = capitalized(trimSpacesAndTabs(baseName.left(dash)));
    if (!app.endsWith(QLatin1String(".app")))
        app += QStringLiteral(".app");
    return {app, trimSpacesAndTabs(baseName.mid(dash + 1))};
}

Result<QString> ExtensionImporter::copyToExtensionFolder(const QString &sourcePath)
{
    const QString source = QDir::cleanPath(sourcePath);
    const QFileInfo info(source);
    if (!pathExists(source))
        return Result<QString>::failure(QObject::tr("The file “%1” does not exist.").arg(info.fileName()));
    const QString canonicalSource = info.canonicalFilePath();
    if (info.isDir() && (m_folder == canonicalSource || m_folder.startsWith(canonicalSource + QLatin1Char('/'))))
        return Result<QString>::failure(QObject::tr("“%1” holds the extension folder itself.").arg(info.fileName()));
    if (!QDir(m_folder).exists() && !QDir().mkpath(m_folder))
        return Result<QString>::failure(QObject::tr("The extension folder “%1” could not be created.").arg(m_folder));
    const QString suffix = info.suffix();
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        QString target = m_folder + QLatin1Char('/') + info.fileName();
        if (pathExists(target)) {
            // A name without ending gets no trailing dot.
            target = m_folder + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-')
                + m_now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
            if (pathExists(target)) {
                m_waitASecond();
                continue;
            }
        }
        if (!copyRecursively(source, target)) {
            if (QFileInfo(target).isDir())
                QDir(target).removeRecursively();
            else
                QFile::remove(target);
            return Result<QString>::failure(
                QObject::tr("“%1” could not be copied to the extension folder.").arg(info.fileName()));
        }
        return Result<QString>::ok(target);
    }
    return Result<QString>::failure(QObject::tr("No free name for “%1” in the extension folder.").arg(info.fileName()));
}

ImportResult ExtensionImporter::importFrom(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).suffix() == QLatin1String(kBundleSuffix))
        return addBundleExtensionFrom(clean);
    return addPlainExtensionFrom(clean);
}

ImportResult ExtensionImporter::addBundleExtensionFrom(const QString &bundle)
{
    const Result<QString> copy = copyToExtensionFolder(bundle);
    return copy.isOk() ? itemFromBundle(copy.value()) : ImportResult::failure(copy.reason());
}

ImportResult ExtensionImporter::addPlainExtensionFrom(const QString &file)
{
    if (QFileInfo(file).isDir())
        return ImportResult::failure(QObject::tr("“%1” is a folder, not a script.").arg(QFileInfo(file).fileName()));
    const Result<QString> copy = copyToExtensionFolder(file);
    if (!copy.isOk())
        return ImportResult::failure(copy.reason());
    const PlainName name = parsePlainName(QFileInfo(file).completeBaseName());
    return ImportResult::ok(PluginDataItem(name.app, name.title, QFileInfo(copy.value()).fileName()));
}

ImportResult ExtensionImporter::itemFromBundle(const QString &copiedBundle)
{
    const QFileInfo bundleInfo(copiedBundle);
    QFile manifestFile(copiedBundle + QLatin1Char('/') + QLatin1String(kManifestName));
    if (!manifestFile.open(QIODevice::ReadOnly)) {
        return ImportResult::failure(
            QObject::tr("The file “manifest.json” couldn’t be opened: %1").arg(manifestFile.errorString()));
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(manifestFile.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        return ImportResult::failure(
            QObject::tr("The file “manifest.json” is not a JSON object: %1").arg(parseError.errorString()));
    }
    const QJsonObject manifest = document.object();
    const QString entry = manifest.value(QStringLiteral("entry")).toString();
    const QString cleanEntry = QDir::cleanPath(entry);
    const QString entryPath = copiedBundle + QLatin1Char('/') + cleanEntry;
    const QString bundleRoot = bundleInfo.canonicalFilePath() + QLatin1Char('/');
    const auto refuse = [&](const QString &message) {
        QDir(copiedBundle).removeRecursively();
        return ImportResult::failure(message);
    };
    if (entry.isEmpty())
        return refuse(noEntryMessage());
    if (QDir::isAbsolutePath(entry) || cleanEntry == QLatin1String("..")
        || cleanEntry.startsWith(QLatin1String("../")))
        return refuse(entryOutsideMessage());
    if (!QFileInfo(entryPath).isFile())
        return refuse(missingEntryMessage());
    // A link inside the bundle may still point out of it.
    if (!QFileInfo(entryPath).canonicalFilePath().startsWith(bundleRoot))
        return refuse(entryOutsideMessage());

    const QString app = manifest.value(QStringLiteral("app")).toString();
    const QString name = manifest.value(QStringLiteral("name")).toString();
    const QString shortcut = manifest.value(QStringLiteral("shortcut")).toString();
    PluginDataItem item(app.isEmpty() ? QStringLiteral("all") : app,
                        name.isEmpty() ? bundleInfo.completeBaseName() : name,
                        bundleInfo.fileName() + QLatin1Char('/') + cleanEntry);
    if (!shortcut.isEmpty())
        item.keyData = KeyData::keyDataFromString(shortcut);
    return ImportResult::ok(std::move(item));
}

} // namespace tavolin
