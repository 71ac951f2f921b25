#pragma once

#include "PaletteRun.h"

#include "common/Paths.h"
#include "common/SettingsDomain.h"
#include "prefs/ExtensionLibrary.h"
#include "prefs/Settings.h"

#include <QByteArray>
#include <QStringList>

namespace tavolin::test {

// Points this process's XDG folders at the palette run's while it lives, as the same user's preferences
// program sees them, and gives the test run its own folders back afterwards. Create it before any settings
// domain or store of the preferences side: both fix their paths when created.
class SameFoldersAs
{
public:
    explicit SameFoldersAs(const PaletteRun &palette)
        : m_config(qgetenv("XDG_CONFIG_HOME")), m_data(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", palette.configHome().toUtf8());
        qputenv("XDG_DATA_HOME", palette.dataHome().toUtf8());
    }
    ~SameFoldersAs()
    {
        qputenv("XDG_CONFIG_HOME", m_config);
        qputenv("XDG_DATA_HOME", m_data);
    }
    SameFoldersAs(const SameFoldersAs &) = delete;
    SameFoldersAs &operator=(const SameFoldersAs &) = delete;

private:
    QByteArray m_config;
    QByteArray m_data;
};

// What the preferences program holds while its extensions pane is open: the shared settings domain and the
// extension library over the extension folder. Files it would move to the Trash are only recorded.
struct PreferencesSide
{
    SettingsDomain domain;
    Settings settings{domain};
    QStringList trashed;
    ExtensionLibrary library{settings, paths::dataDir() + QStringLiteral("/CommandExtensions"),
                             [this](const QString &path) {
                                 trashed.append(path);
                                 return true;
                             }};
};

} // namespace tavolin::test
