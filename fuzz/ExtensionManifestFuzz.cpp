// An extension bundle handed to the user: its manifest.json decides which file runs. Whatever the manifest
// says, the entry that is kept, and the script that would run, stay inside the extension folder.
// Input: the manifest's bytes (its "entry", or the bytes themselves when they are no JSON object, is also
// resolved as a stored entry).
#include "FuzzSupport.h"

#include "extensions/ScriptRunner.h"
#include "prefs/ExtensionImporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tavolin;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The extension folder, with a script beside it and one outside it.
QString extensionFolder()
{
    static const QString folder = [] {
        const QString home = fuzz::setUpApplication();
        const QString extensions = home + QStringLiteral("/extensions");
        QDir().mkpath(extensions);
        writeFile(home + QStringLiteral("/outside.sh"), "#!/bin/sh\n");
        writeFile(extensions + QStringLiteral("/other.sh"), "#!/bin/sh\n");
        return extensions;
    }();
    return folder;
}

// A copied bundle with a script, a script in a sub-folder, and links that lead out of the bundle.
QString makeBundle(const QString &extensions, const QByteArray &manifest)
{
    const QString bundle = extensions + QStringLiteral("/bundle.pext");
    QDir().mkpath(bundle + QStringLiteral("/sub"));
    writeFile(bundle + QStringLiteral("/run.sh"), "#!/bin/sh\n");
    writeFile(bundle + QStringLiteral("/sub/run.py"), "print()\n");
    QFile::link(QStringLiteral("../../outside.sh"), bundle + QStringLiteral("/out.sh"));
    QFile::link(QStringLiteral("../other.sh"), bundle + QStringLiteral("/sibling.sh"));
    QFile::link(QStringLiteral("/etc"), bundle + QStringLiteral("/etc"));
    writeFile(bundle + QLatin1Char('/') + QLatin1String(ExtensionImporter::kManifestName), manifest);
    return bundle;
}

bool inside(const QString &path, const QString &folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical.startsWith(canonicalFolder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString extensions = extensionFolder();
    const QByteArray manifest(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString bundle = makeBundle(extensions, manifest);

    ExtensionImporter importer(extensions, [] { return QDateTime(); }, [] {});
    const ImportResult result = importer.itemFromBundle(bundle);
    if (result.isOk()) {
        const QString entryPath = extensions + QLatin1Char('/') + result.value().entry;
        fuzz::require(inside(entryPath, bundle), "a kept entry is a file inside its bundle", result.value().entry);
    }
    QDir(bundle).removeRecursively();
    makeBundle(extensions, manifest);

    const QJsonDocument document = QJsonDocument::fromJson(manifest);
    const QString entry = document.isObject() ? document.object().value(QStringLiteral("entry")).toString()
                                              : QString::fromUtf8(manifest);
    const ScriptRunner::ResolvedEntry resolved = ScriptRunner::resolveEntry(extensions, entry);
    if (resolved.status == ScriptRunner::ResolvedEntry::Status::Inside)
        fuzz::require(inside(resolved.path, extensions) && resolved.path == QFileInfo(resolved.path).canonicalFilePath(),
                      "a script that would run is inside the extension folder", entry);
    QDir(bundle).removeRecursively();
    return 0;
}
