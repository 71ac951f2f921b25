#include "PreferencesSide.h"

#include "common/Paths.h"

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

} // namespace tavolin::test
