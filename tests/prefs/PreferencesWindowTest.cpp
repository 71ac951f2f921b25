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

TEST_F(PreferencesWindowTest, SwitchingKeepsTopLeftAndFollowsThePaneHeight)
{
    const QPoint topLeft = window.geometry().topLeft();
    for (int index : {2, 3, 1, 0}) {
        window.paneButton(index)->click();
        EXPECT_EQ(window.geometry().topLeft(), topLeft) << "pane " << index;
        QWidget *pane = window.currentPane();
        const int paneHeight = pane->sizeHint().expandedTo(pane->minimumSize()).height();
        EXPECT_EQ(window.height(), paneHeight + window.buttonRowHeight()) << "pane " << index;
        for (QWidget *other : {static_cast<QWidget *>(window.generalController()),
                               static_cast<QWidget *>(window.palettePane()),
                               static_cast<QWidget *>(window.aboutController())})
            EXPECT_EQ(other->isVisible(), other == pane) << "pane " << index;
    }
    EXPECT_GT(window.palettePane()->minimumHeight(), window.generalController()->sizeHint().height())
        << "panes differ in height, so the checks above can fail";
}

TEST_F(PreferencesWindowTest, OnlyTheFirstOfItsOwnAddressesChoosesAPane)
{
    const QString own = QStringLiteral("tavolin-preferences://preferences/");
    const struct
    {
        const char *name;
        QStringList urls;
        int expected;
    } rows[] = {
        {"about", {own + QStringLiteral("about")}, PreferencesWindow::About},
        {"no pane keeps the shown one", {own}, PreferencesWindow::Appearance},
        {"other schemes are ignored", {QStringLiteral("https://example.org/about")}, PreferencesWindow::Appearance},
        {"nothing", {}, PreferencesWindow::Appearance},
        {"only the first counts", {own, own + QStringLiteral("about")}, PreferencesWindow::Appearance},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        window.paneButton(1)->click();
        QList<QUrl> urls;
        for (const QString &url : row.urls)
            urls << QUrl(url);
        window.openUrls(urls);
        EXPECT_EQ(window.selectedIndex(), row.expected);
    }
    window.segControlSelected(7);
    EXPECT_EQ(window.currentPane(), static_cast<QWidget *>(window.appearanceController())) << "unknown index";
    window.openArguments({own + QStringLiteral("about")}, QDir::currentPath());
    EXPECT_TRUE(window.aboutController()->versionLabel()->text().startsWith(QLatin1String("version ")));
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
