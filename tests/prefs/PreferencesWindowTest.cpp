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
    const struct { const char *name; QStringList urls; int expected; } rows[] = {
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

// Paths become file addresses and this program's addresses stay; another program's address, or a file no
// extension is made of, is left out (no error dialog for it).
TEST(PreferencesWindowArgumentsTest, PathsBecomeFileUrlsOwnAddressesStayTheRestIsLeftOut)
{
    QStringList urls;
    for (const QUrl &url : PreferencesWindow::urlsFromArguments(
             {u"a b.pext"_qs, u"/tmp/x.sh"_qs, u"http://example.com"_qs, u"tavolin-preferences:about"_qs,
              u"https://example.com/a.sh"_qs, u"file:///tmp/y.py"_qs, u"mailto:someone@example.com"_qs,
              u"notes.txt"_qs, QString()},
             u"/home/u"_qs))
        urls << url.toString();
    EXPECT_EQ(urls, (QStringList{u"file:///home/u/a b.pext"_qs, u"file:///tmp/x.sh"_qs, u"tavolin-preferences:about"_qs,
                                 u"file:///tmp/y.py"_qs}));
}

TEST(DropTargetTest, AcceptsOnlyExtensionFilesThatExist)
{
    test::IsolatedHome home;
    const struct { const char *fileName; bool importable; } cases[] = {
        {"tool.py", true}, {"tool.sh", true}, {"tool.scpt", true}, {"tool", true}, {"image.png", false}, {"a.txt", false}};
    for (const auto &c : cases) {
        const QString path = home.root() + u'/' + QString::fromUtf8(c.fileName);
        ASSERT_TRUE(test::writeTextFile(path, "x"));
        EXPECT_EQ(PalettePane::isImportableFile(path), c.importable) << c.fileName;
    }
    EXPECT_FALSE(PalettePane::isImportableFile(u"/nonexistent/tool.py"_qs));
}

} // namespace
} // namespace tavolin
