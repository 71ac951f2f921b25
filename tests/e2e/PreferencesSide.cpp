#include "PreferencesSide.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"

#include <QDir>
#include <QFile>

namespace tavolin::test {

SameFoldersAs::SameFoldersAs(const PaletteRun &palette)
    : m_config(qgetenv("XDG_CONFIG_HOME")), m_data(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_CONFIG_HOME", palette.configHome().toUtf8());
    qputenv("XDG_DATA_HOME", palette.dataHome().toUtf8());
}

SameFoldersAs::~SameFoldersAs()
{
    qputenv("XDG_CONFIG_HOME", m_config);
    qputenv("XDG_DATA_HOME", m_data);
}

PreferencesSide::PreferencesSide()
    : library(settings, paths::dataDir() + QStringLiteral("/CommandExtensions"), [this](const QString &path) {
          trashed.append(path);
          return true;
      })
{
}

bool addExtension(const PaletteRun &palette, const QString &appKey, const QString &label, const QString &entry,
                  const QByteArray &script)
{
    const SameFoldersAs folders(palette);
    const QString folder = paths::dataDir() + QStringLiteral("/CommandExtensions");
    QFile file(folder + QLatin1Char('/') + entry);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
        return false;
    file.close();
    PreferencesSide prefs;
    prefs.library.loadExtensions();
    const QString taken = QStringLiteral("run command updateExtension");
    const int takenBefore = palette.countInLog(taken);
    return prefs.library.doAdd(PluginDataItem(appKey, label, entry)) && palette.waitForLog(taken, 10000, takenBefore);
}

} // namespace tavolin::test
