#pragma once

#include "common/PluginDataItem.h"
#include "common/Result.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace tavolin {

// One import step gives the record, or why it failed in words shown to the person as they stand.
using ImportResult = Result<PluginDataItem>;

// Copies extensions into the extension folder and makes their records: ".pext" bundles (a folder with a
// "manifest.json" of string members "app", "name", "entry", "shortcut") and plain scripts (application and
// title read from the file name "App - Title.sh").
//
// A name already taken in the folder gets the local time: "Name-yyyy-MM-dd HH:mm:ss.ext". When that is taken
// too, the import waits a second and tries again (at most kMaxNameAttempts times).
// A bundle whose entry is missing, empty, absolute, leaves the bundle or does not exist is refused and its
// copy removed; a bundle whose manifest cannot be read or parsed stays copied.
//
// Pure file work, no widgets; the clock and the one-second wait are injectable so tests never sleep.
// Not thread-safe: one import at a time per object.
class ExtensionImporter
{
public:
    static constexpr int kMaxNameAttempts = 10;
    static constexpr auto kBundleSuffix = "pext";
    static constexpr auto kManifestName = "manifest.json";

    using Clock = std::function<QDateTime()>;
    using Wait = std::function<void()>;

    // `folder` is the extension folder (created when missing). Empty clock/wait: the real ones.
    explicit ExtensionImporter(QString folder, Clock now = {}, Wait waitASecond = {});

    QString folder() const { return m_folder; }

    // A bundle for ".pext", otherwise a plain script.
    ImportResult importFrom(const QString &path);
    ImportResult addBundleExtensionFrom(const QString &bundle);
    ImportResult addPlainExtensionFrom(const QString &file);
    // Reads the record of a bundle already in the extension folder; removes it when refused.
    ImportResult itemFromBundle(const QString &copiedBundle);

    // Copies a file or folder into the extension folder; the copy's path.
    Result<QString> copyToExtensionFolder(const QString &source);

    // "Safari - Open Tabs" → {"Safari.app", "Open Tabs"}; "cleanup" → {"all", "cleanup"}.
    struct PlainName
    {
        QString app;
        QString title;
    };
    static PlainName parsePlainName(const QString &baseName);

    static const QString &noEntryMessage();
    static const QString &missingEntryMessage();
    static const QString &entryOutsideMessage();

private:
    QString m_folder;
    Clock m_now;
    Wait m_waitASecond;
};

} // namespace tavolin
