// Saves a picture of every pane and tab under the build folder (artifacts/prefs) for people to look at.
#include "PrefsTestSupport.h"
#include "prefs/AppRulesController.h"
#include "prefs/ExtensionController.h"
#include "prefs/MenuRulesController.h"
#include "prefs/PalettePane.h"
#include "prefs/PreferencesWindow.h"
#include "common/SettingsKeys.h"
#include "common/Store.h"

#include <QApplication>
#include <QJsonDocument>
#include <QPixmap>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(ScreenshotTest, EveryPaneIsSavedAsPng)
{
    test::PrefsEnvironment env;
    env.settings.put(QJsonDocument::fromJson(R"([["org.gnome.gedit","disabled","Text Editor"],
                                                 ["org.xfce.mousepad","allow","Mousepad"]])")
                         .array(),
                     settings::kAppRules);
    env.settings.put(QJsonDocument::fromJson(R"({"all":[["Help",0]],"mousepad.app":[["Edit",1]]})").object(),
                     settings::kMenuRules);
    env.settings.put(QStringLiteral("cmd+shift+p"), settings::kPaletteShortcut);
    {
        Store store(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms);
        PluginDataItem sort(QStringLiteral("mousepad.app"), QStringLiteral("Sort Lines"), QStringLiteral("sort.sh"));
        sort.keyData = KeyData::keyDataFromString(QStringLiteral("ctrl+alt+s"));
        PluginDataItem off(QStringLiteral("all"), QStringLiteral("Word Count"), QString(), QStringLiteral("wc.py"),
                           false, QString(), std::nullopt);
        store.put(QStringLiteral("p_mousepad.app"), PluginDataItem::jsonFromArray({sort}));
        store.put(QStringLiteral("p_all"), PluginDataItem::jsonFromArray({off}));
    }
    PreferencesWindow window(env.context);
    window.setupWindowStyle();
    window.show();

    QStringList saved;
    const auto save = [&](const QString &name) {
        QApplication::processEvents();
        const QString path = test::artifactDir() + QStringLiteral("/") + name + QStringLiteral(".png");
        const QPixmap picture = window.grab();
        EXPECT_FALSE(picture.isNull()) << name.toStdString();
        EXPECT_TRUE(picture.save(path)) << path.toStdString();
        saved << path;
    };
    const QStringList panes{QStringLiteral("general"), QStringLiteral("appearance"), QStringLiteral("palette"),
                            QStringLiteral("about")};
    for (int i = 0; i < 4; ++i) {
        window.paneButton(i)->click();
        if (i != PreferencesWindow::Palette) {
            save(QStringLiteral("pane-") + panes.at(i));
            continue;
        }
        QTabWidget *tabs = window.palettePane()->tabControl();
        ASSERT_EQ(tabs->count(), 4);
        EXPECT_EQ(tabs->tabText(3), QLatin1String("Extensions"));
        const QStringList tabNames{QStringLiteral("palette"), QStringLiteral("app-rules"),
                                   QStringLiteral("menu-rules"), QStringLiteral("extensions")};
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            save(QStringLiteral("pane-palette-") + tabNames.at(tab));
        }
    }
    EXPECT_EQ(saved.size(), 7);
    for (const QString &path : saved)
        EXPECT_GT(QFileInfo(path).size(), 1000) << path.toStdString();
}

} // namespace
} // namespace tavolin
