#include "files/JobTestSupport.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeShellPort.h"
#include "support/FakeWorkspace.h"
#include "support/WaitFor.h"

#include "common/HotkeyBinder.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "files/FileDataProvider.h"
#include "files/QuickOpenConfig.h"
#include "palette/DataSource.h"
#include "palette/MenuItemData.h"
#include "palette/ThemeManager.h"
#include "ui/panel/ItemView.h"
#include "ui/panel/ListView.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/PanelWindowController.h"
#include "ui/panel/ThemeColors.h"
#include "ui/shell/QuickOpenShell.h"

#include <QSignalSpy>
#include <QTest>

namespace tavolin::test {
namespace {

const QString kRecent = QString::fromLatin1(filegroup::kRecent);
constexpr int32_t kScribePid = 50;

class QuickOpenShellTest : public JobTest
{
protected:
    void SetUp() override
    {
        themecolors::setDesktopDarkForTesting(false);
        m_settings = std::make_unique<SettingsDomain>();
        m_themes = std::make_unique<ThemeManager>(*m_settings);
        m_binder = std::make_unique<HotkeyBinder>(*m_settings, m_grabber);
        m_panel = std::make_unique<PanelWindowController>(m_dataSource, *m_settings, *m_themes);
        addApp(kScribePid, u"Scribe"_qs, u"scribe"_qs, u"org.example.Scribe"_qs);
        fake->setFocusedApplication(kScribePid);
        m_provider = std::make_shared<FileDataProvider>(source, m_dataSource, dispatcher, &m_workspace);
        QuickOpenShell::Deps deps{*m_settings, *m_binder,   *m_panel, m_shellPort,   m_poster,
                                  m_provider,  source,      {},       m_dataSource, dispatcher, [this] { ++m_beforeShows; }};
        m_shell = std::make_unique<QuickOpenShell>(std::move(deps));
    }

    void TearDown() override
    {
        m_shell.reset();
        m_panel.reset();
        m_binder.reset();
        themecolors::setDesktopDarkForTesting(std::nullopt);
    }

    void switchOn() { ASSERT_TRUE(m_settings->setValue(QString(settings::kQuickOpen), true)); }
    bool pressHotKey() { return m_grabber.press(QuickOpenConfig::defaultHotkey()); }

    // Rows of the Recent source for files under the temporary folder.
    void deliver(const QStringList &names)
    {
        QList<FileItemDataPtr> rows;
        for (const QString &name : names)
            rows << FileItemData::fromURL(QUrl::fromLocalFile(file(name)), kRecent);
        StubJob job(kRecent, dispatcher);
        m_provider->onAppend(job, rows);
    }

    QStringList listedTitles()
    {
        QStringList titles;
        ListView &list = *m_panel->list();
        for (int row = 0; row < list.rowCount(); ++row)
            titles << list.model()->index(row, 0).data().toString();
        return titles;
    }

    std::unique_ptr<SettingsDomain> m_settings;
    std::unique_ptr<ThemeManager> m_themes;
    FakeHotkeyGrabber m_grabber;
    std::unique_ptr<HotkeyBinder> m_binder;
    DataSource m_dataSource;
    std::unique_ptr<PanelWindowController> m_panel;
    FakeShellPort m_shellPort;
    FakeKeyPoster m_poster;
    FakeWorkspace m_workspace;
    std::shared_ptr<FileDataProvider> m_provider;
    std::unique_ptr<QuickOpenShell> m_shell;
    int m_beforeShows = 0;
};

TEST_F(QuickOpenShellTest, HotKeyIsBoundOnlyWhileTheSettingIsOnAndTheShellLives)
{
    EXPECT_TRUE(m_grabber.grabbed().empty());
    EXPECT_FALSE(pressHotKey());

    switchOn();
    EXPECT_TRUE(m_grabber.isGrabbed(QuickOpenConfig::defaultHotkey()));

    ASSERT_TRUE(m_settings->setValue(QString(settings::kQuickOpen), false));
    EXPECT_FALSE(m_grabber.isGrabbed(QuickOpenConfig::defaultHotkey()));
    EXPECT_EQ(m_grabber.strayUngrabs(), 0);

    switchOn();
    m_shell.reset(); // undoes the wiring
    EXPECT_EQ(m_dataSource.provider(PanelMode::QuickOpen), nullptr);
    EXPECT_FALSE(m_grabber.isGrabbed(QuickOpenConfig::defaultHotkey()));
    EXPECT_EQ(m_provider->watcher, nullptr);
    EXPECT_FALSE(readFileRow(*FileItemData::fromURL(QUrl::fromLocalFile(file(u"x.txt"_qs)), kRecent)));
}

TEST_F(QuickOpenShellTest, HotKeyShowsTheCompactPanelOverTheFocusedApplication)
{
    switchOn();
    const int commandWidth = m_panel->window()->width();
    ASSERT_TRUE(pressHotKey());

    EXPECT_TRUE(m_panel->isVisible());
    EXPECT_EQ(m_dataSource.mode(), PanelMode::QuickOpen);
    EXPECT_EQ(m_dataSource.provider(), m_provider.get());
    EXPECT_GT(m_panel->window()->width(), commandWidth);
    EXPECT_GE(m_panel->window()->width(), PanelWindowController::kCompactPanelWidth);
    EXPECT_EQ(m_panel->panel()->input()->placeholderText(), QString::fromUtf8(FileDataProvider::kInputHint));
    EXPECT_EQ(m_provider->bundle, u"org.example.Scribe"_qs);
    EXPECT_EQ(m_beforeShows, 1);
    EXPECT_FALSE(m_shell->triggeredByForce());
}

TEST_F(QuickOpenShellTest, RowsArrivingAfterTheShowAreListedAndKeepTheUsersSelection)
{
    switchOn();
    ASSERT_TRUE(pressHotKey());
    ASSERT_EQ(m_panel->list()->rowCount(), 0);

    deliver({u"notes.txt"_qs, u"plan.md"_qs});
    EXPECT_EQ(listedTitles(), (QStringList{u"notes.txt"_qs, u"plan.md"_qs}));
    EXPECT_EQ(m_panel->list()->selectedRow(), 0);

    m_panel->selectRow(1);
    deliver({u"c.txt"_qs});
    EXPECT_EQ(m_panel->list()->rowCount(), 3);
    EXPECT_EQ(m_panel->list()->selectedRow(), 1);
}

TEST_F(QuickOpenShellTest, DigitShortcutsFollowTheFirstVisibleRow)
{
    switchOn();
    ASSERT_TRUE(pressHotKey());
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("file%1.txt").arg(i, 2, 10, QLatin1Char('0'));
    deliver(names);
    ListView &list = *m_panel->list();
    ASSERT_GT(list.rowHeight(), 0);

    list.setVisibleTop(3 * list.rowHeight());
    ASSERT_EQ(list.firstVisibleRow(), 3);

    const RowDataPtr first = m_provider->itemForShortcut(u"⌘1"_qs);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title(), u"file03.txt"_qs);
}

TEST_F(QuickOpenShellTest, FileRowsAreReadForDrawingAndCommandRowsAreNot)
{
    const FileItemDataPtr row = FileItemData::fromURL(QUrl::fromLocalFile(file(u"docs/plan.md"_qs)), kRecent);
    const std::optional<FileRowFields> fields = readFileRow(*row);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->title, u"plan.md"_qs);
    EXPECT_EQ(fields->filePath, file(u"docs/plan.md"_qs));
    EXPECT_EQ(fields->group, kRecent);
    EXPECT_FALSE(fields->iconName.isEmpty());

    const MenuItemData command(u"Save"_qs, {u"File"_qs}, false, std::nullopt, u"scribe.app"_qs);
    EXPECT_FALSE(readFileRow(command));

    const FileItemDataPtr web = FileItemData::fromURL(QUrl(u"https://example.org/page"_qs), kRecent);
    const std::optional<FileRowFields> webFields = readFileRow(*web);
    ASSERT_TRUE(webFields);
    EXPECT_TRUE(webFields->filePath.isEmpty());
}

TEST_F(QuickOpenShellTest, SecondPressClosesAndHandsTheKeyToTheApplication)
{
    switchOn();
    m_shell->controller().show(true);
    EXPECT_TRUE(m_shell->triggeredByForce()) << "a forced show is recorded";
    m_shell->controller().show(true); // closes
    ASSERT_TRUE(pressHotKey());
    EXPECT_FALSE(m_shell->triggeredByForce());
    ASSERT_TRUE(pressHotKey());

    EXPECT_FALSE(m_panel->isVisible());
    EXPECT_EQ(m_dataSource.mode(), PanelMode::CommandPalette);
    ASSERT_EQ(m_poster.posts().size(), 1u);
    EXPECT_EQ(m_poster.posts()[0].pid, kScribePid);
    EXPECT_EQ(m_poster.posts()[0].shortcut, QuickOpenConfig::defaultHotkey());

    QSignalSpy reloads(m_panel->list(), &ListView::reloaded);
    deliver({u"late.txt"_qs});
    EXPECT_EQ(reloads.count(), 0) << "deliveries after the panel closed leave the command list alone";
}

TEST_F(QuickOpenShellTest, SourcesFindTheOpenDocumentAndItsFolder)
{
    makePath(dir.path(), u"work/report.txt"_qs);
    makePath(dir.path(), u"work/budget.ods"_qs);
    source->setWindows(kScribePid, {QUrl::fromLocalFile(file(u"work/report.txt"_qs)).toString()});
    switchOn();
    ASSERT_TRUE(pressHotKey());

    // Every source has reported once the dispatcher has nothing left to run: only then has "Opened" claimed
    // the open document, which "File Results" finds in its folder as well.
    ASSERT_TRUE(waitFor([&] { return dispatcher.runUntilIdle() == 0 && listedTitles().contains(u"budget.ods"_qs); }))
        << "listed: " << listedTitles().join(u", "_qs).toStdString();
    EXPECT_EQ(listedTitles().value(0), u"report.txt"_qs);
    EXPECT_EQ(listedTitles().count(u"report.txt"_qs), 1);
}

} // namespace
} // namespace tavolin::test
