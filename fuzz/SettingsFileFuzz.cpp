// The settings file, shared by both programs and editable by hand. Whatever it holds, the typed reads and
// the rules read from it never crash, and the next write loses nothing: a file that parses keeps every other
// key, one that does not is kept aside byte for byte.
#include "FuzzSupport.h"

#include "common/PaletteRulesManager.h"
#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tavolin;

namespace {

const QString kProbeKey = QStringLiteral("fuzzProbe");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void readEverything(SettingsDomain &domain)
{
    (void)settings::listNumber(domain);
    (void)settings::showMenuState(domain);
    (void)settings::hideAppIcon(domain);
    (void)settings::themeName(domain);
    (void)settings::paletteShortcutString(domain);
    (void)settings::skippedVersion(domain);
    PaletteRulesManager rules(domain, PaletteRulesManager::CurrentShortcut{});
    (void)rules.ruleForApp(QStringLiteral("mousepad"));
    (void)rules.getIgnorableOption(QStringLiteral("Save"), QStringLiteral("mousepad"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    // One domain for the whole run, re-read for each input: closing a domain's file watcher costs the
    // kernel tens of milliseconds.
    static SettingsDomain domain(QStringLiteral("fuzz"));
    static qint64 writes = 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = domain.filePath();
    const QDir folder = QFileInfo(path).dir();
    folder.mkpath(QStringLiteral("."));
    for (const QString &name : folder.entryList(QDir::Files))
        QFile::remove(folder.filePath(name));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    domain.reload();
    readEverything(domain);
    fuzz::require(domain.setValue(kProbeKey, ++writes), "a write over any file succeeds");

    QJsonParseError error;
    const QJsonDocument before = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject after = QJsonDocument::fromJson(readAll(path)).object();
    if (bytes.trimmed().isEmpty()) {
        fuzz::require(after.contains(kProbeKey), "an empty file gets the key written");
    } else if (error.error == QJsonParseError::NoError && before.isObject()) {
        QJsonObject kept = after;
        QJsonObject original = before.object();
        kept.remove(kProbeKey);
        original.remove(kProbeKey);
        // Reading the rules writes the default application rules when the stored ones are no list.
        if (!original.value(PaletteRulesManager::kAppRulesKey).isArray()) {
            kept.remove(PaletteRulesManager::kAppRulesKey);
            original.remove(PaletteRulesManager::kAppRulesKey);
        }
        fuzz::require(kept == original, "a write keeps every other key", QString::fromUtf8(bytes));
    } else {
        const QStringList aside = folder.entryList({QStringLiteral("fuzz.json.broken-*")}, QDir::Files);
        fuzz::require(aside.size() == 1 && readAll(folder.filePath(aside.value(0))) == bytes,
                      "a file that does not parse is kept aside as it was", QString::fromUtf8(bytes));
    }
    return 0;
}
