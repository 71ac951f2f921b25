// The window: pane buttons, pane switching that keeps the top-left corner, URLs and files it is given.
#include "PrefsTestSupport.h"
#include "prefs/AboutController.h"
#include "prefs/AppearanceController.h"
#include "prefs/GeneralController.h"
#include "prefs/PalettePane.h"
#include "prefs/PreferencesWindow.h"

#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::PrefsEnvironment;

class PreferencesWindowTest : public ::testing::Test
{
protected:
    PreferencesWindowTest() : window(env.context)
    {
        window.setupWindowStyle();
        window.move(120, 90);
        window.show();
    }

    PrefsEnvironment env;
    PreferencesWindow window;
};

TEST_F(PreferencesWindowTest, OpensOnGeneralWithFourButtons)
{
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::General));
    EXPECT_EQ(window.currentPane(), window.generalController());
    EXPECT_EQ(window.paneButton(0)->text(), QLatin1String("General"));
    EXPECT_EQ(window.paneButton(3)->text(), QLatin1String("About"));
}

TEST_F(PreferencesWindowTest, SwitchingKeepsTopLeftAndFollowsThePaneHeight)
{
    const QPoint topLeft = window.geometry().topLeft();
    for (int index : {2, 3, 1, 0}) {
        window.paneButton(index)->click();
        EXPECT_EQ(window.geometry().topLeft(), topLeft) << "pane " << index;
        QWidget *pane = window.currentPane();
        const int paneHeight = pane->sizeHint().expandedTo(pane->minimumSize()).height();
        EXPECT_EQ(window.height(), paneHeight + window.buttonRowHeight()) << "pane " << index;
    }
    EXPECT_GT(window.palettePane()->minimumHeight(), window.generalController()->sizeHint().height())
        << "panes differ in height, so the checks above can fail";
}

TEST_F(PreferencesWindowTest, ExactlyOnePaneIsShown)
{
    window.paneButton(2)->click();
    EXPECT_TRUE(window.palettePane()->isVisible());
    EXPECT_FALSE(window.generalController()->isVisible());
    EXPECT_FALSE(window.aboutController()->isVisible());
}

TEST_F(PreferencesWindowTest, UnknownIndexShowsAppearance)
{
    window.segControlSelected(7);
    EXPECT_EQ(window.currentPane(), static_cast<QWidget *>(window.appearanceController()));
}

TEST_F(PreferencesWindowTest, AboutUrlShowsAboutPane)
{
    window.openArguments({QStringLiteral("tavolin-preferences://preferences/about")}, QDir::currentPath());
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::About));
    EXPECT_TRUE(window.aboutController()->versionLabel()->text().startsWith(QLatin1String("version ")));
}

TEST_F(PreferencesWindowTest, SchemeWithoutPaneKeepsTheShownPane)
{
    window.paneButton(1)->click();
    window.openUrls({QUrl(QStringLiteral("tavolin-preferences://preferences/"))});
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::Appearance));
    window.openUrls({QUrl(QStringLiteral("https://example.org/about"))});
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::Appearance)) << "other schemes are ignored";
    window.openUrls({});
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::Appearance));
}

TEST_F(PreferencesWindowTest, OnlyTheFirstUrlCounts)
{
    window.openUrls({QUrl(QStringLiteral("tavolin-preferences://preferences/")),
                     QUrl(QStringLiteral("tavolin-preferences://preferences/about"))});
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::General));
}

TEST_F(PreferencesWindowTest, FileShowsTheLastTabOfThePalettePane)
{
    const QString script = env.home.root() + QStringLiteral("/tidy.sh");
    ASSERT_TRUE(test::writeTextFile(script, "echo tidy\n"));
    window.openArguments({QStringLiteral("tidy.sh")}, env.home.root());
    EXPECT_EQ(window.selectedIndex(), int(PreferencesWindow::Palette));
    QTabWidget *tabs = window.palettePane()->tabControl();
    EXPECT_EQ(tabs->currentIndex(), tabs->count() - 1);
}

TEST(PreferencesWindowArgumentsTest, PathsBecomeFileUrlsAndUrlsStay)
{
    const QList<QUrl> urls = PreferencesWindow::urlsFromArguments(
        {QStringLiteral("a b.pext"), QStringLiteral("/tmp/x.sh"), QStringLiteral("tavolin-preferences:about"),
         QStringLiteral("file:///tmp/y.py"), QString()},
        QStringLiteral("/home/u"));
    ASSERT_EQ(urls.size(), 4);
    EXPECT_EQ(urls.at(0).toLocalFile(), QLatin1String("/home/u/a b.pext"));
    EXPECT_EQ(urls.at(1).toLocalFile(), QLatin1String("/tmp/x.sh"));
    EXPECT_EQ(urls.at(2).toString(), QLatin1String("tavolin-preferences:about"));
    EXPECT_EQ(urls.at(3).toLocalFile(), QLatin1String("/tmp/y.py"));
}

// Another program's address, or a file no extension is made of, is not imported: no error dialog for it.
TEST(PreferencesWindowArgumentsTest, OtherAddressesAndFilesAreLeftOut)
{
    EXPECT_TRUE(PreferencesWindow::urlsFromArguments(
                    {QStringLiteral("http://example.com"), QStringLiteral("https://example.com/a.sh"),
                     QStringLiteral("mailto:someone@example.com"), QStringLiteral("notes.txt")},
                    QStringLiteral("/home/u"))
                    .isEmpty());
}

struct DropRow
{
    const char *name;
    const char *fileName;
    bool importable;
};

class DropTargetTest : public ::testing::TestWithParam<DropRow>
{
};

TEST_P(DropTargetTest, AcceptsOnlyExtensionFiles)
{
    test::IsolatedHome home;
    const QString path = home.root() + QLatin1Char('/') + QString::fromUtf8(GetParam().fileName);
    ASSERT_TRUE(test::writeTextFile(path, "x"));
    EXPECT_EQ(PalettePane::isImportableFile(path), GetParam().importable);
}

INSTANTIATE_TEST_SUITE_P(Files, DropTargetTest,
                         ::testing::Values(DropRow{"Python", "tool.py", true}, DropRow{"Shell", "tool.sh", true},
                                           DropRow{"Scpt", "tool.scpt", true},
                                           DropRow{"NoEnding", "tool", true},
                                           DropRow{"Image", "picture.png", false},
                                           DropRow{"Text", "notes.txt", false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DropTargetMissingFileTest, RefusesAFileThatDoesNotExist)
{
    EXPECT_FALSE(PalettePane::isImportableFile(QStringLiteral("/nonexistent/tool.py")));
}

} // namespace
} // namespace tavolin
