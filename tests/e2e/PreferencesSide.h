#pragma once

#include "PaletteRun.h"

#include "common/SettingsDomain.h"
#include "prefs/ExtensionLibrary.h"
#include "prefs/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavolin::test {

// Points this process's XDG folders at the palette run's while it lives, as the same user's preferences
// program sees them, and gives the test run its own folders back afterwards. Create it before any settings
// domain or store of the preferences side: both fix their paths when created.
class SameFoldersAs
{
public:
    explicit SameFoldersAs(const PaletteRun &palette);
    ~SameFoldersAs();
    SameFoldersAs(const SameFoldersAs &) = delete;
    SameFoldersAs &operator=(const SameFoldersAs &) = delete;

private:
    QByteArray m_config;
    QByteArray m_data;
};

// What the preferences program holds while its panes are open: the shared settings domain (which the rule
// panes write through `settings.put`, as they do on every change) and the extension library over the
// extension folder. Files it would move to the Trash are only recorded.
struct PreferencesSide
{
    PreferencesSide();

    SettingsDomain domain;
    Settings settings{domain};
    QStringList trashed;
    ExtensionLibrary library;
};

// Saves, as the preferences program does, an extension labelled `label` for application `appKey` whose script
// is written as `entry` in the extension folder, and waits (bounded) until the palette took it. False when a
// step failed, the palette's log then saying more.
bool addExtension(const PaletteRun &palette, const QString &appKey, const QString &label, const QString &entry,
                  const QByteArray &script);

} // namespace tavolin::test
