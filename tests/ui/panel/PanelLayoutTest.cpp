#include "PanelTestSupport.h"

#include "common/SettingsKeys.h"
#include "ui/panel/ClickableLabel.h"
#include "ui/panel/InputBackgroundController.h"

namespace tavolin::test {
namespace {

class PanelLayoutTest : public PanelFixture
{
protected:
    // Lists `count` plain rows at the top level.
    void showRows(int count)
    {
        QList<MenuItemDataPtr> rows;
        for (int i = 0; i < count; ++i)
            rows.append(makeRow(u"Row %1"_qs.arg(i)));
        m_menus.allRows = rows;
        m_menus.updateFilter(nullptr);
        openPanel();
    }
};

// rows × row height (46) + input height + (3 with rows, else 2) × border; at most 7 rows are shown.
TEST_F(PanelLayoutTest, WindowFitsTheRows)
{
    const struct { const char *theme; int rows; int expectedHeight; int expectedWidth; } cases[] = {
        {"default", 0, 48, 480},
        {"default", 1, 46 + 48, 480},
        {"default", 20, 7 * 46 + 48, 480}, // many rows stop at the limit
        {"Extra Dark", 0, 28 + 2 * 8, 496},
        {"Extra Dark", 1, 46 + 28 + 3 * 8, 496},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.theme << ", " << c.rows << " rows");
        m_themes->apply(m_themes->themeNamed(QString::fromUtf8(c.theme)));
        showRows(c.rows);
        EXPECT_EQ(m_controller->window()->height(), c.expectedHeight);
        EXPECT_EQ(m_controller->window()->width(), c.expectedWidth);
        EXPECT_EQ(m_controller->listHeight(std::min(c.rows, 7)), c.expectedHeight);
        EXPECT_EQ(m_controller->inputMargin(), c.rows == 0 ? 0 : (c.expectedWidth - 480) / 2);
    }
}

TEST_F(PanelLayoutTest, ListNumberSetsTheLimit)
{
    m_settings->setValue(settings::kListNumber, 3);
    showRows(10);
    EXPECT_EQ(m_controller->window()->height(), 3 * 46 + 48);
    m_settings->setValue(settings::kListNumber, 9);
    m_controller->updateUI();
    EXPECT_EQ(m_controller->window()->height(), 9 * 46 + 48);
}

// Also while a window manager takes a newly mapped panel into its frame, when the window reports the screen's
// corner for a moment: rows arriving then must not pin the panel there.
TEST_F(PanelLayoutTest, TheWindowKeepsItsTopEdgeAndCentreWhenItShrinks)
{
    for (const bool reportsTheCorner : {false, true}) {
        SCOPED_TRACE(reportsTheCorner ? "reports the corner" : "stays put");
        showRows(10);
        const QRect placed = m_controller->window()->geometry();
        ASSERT_NE(placed.topLeft(), QPoint(0, 0));
        if (reportsTheCorner)
            m_controller->window()->move(0, 0);
        showRows(2);
        EXPECT_EQ(m_controller->window()->y(), placed.y());
        EXPECT_EQ(m_controller->window()->geometry().center().x(), placed.center().x());
    }
}

TEST_F(PanelLayoutTest, TheFullPanelIsCentredOnTheScreen)
{
    m_controller->applyThemeOnLayouts(*m_themes->currentTheme(), false);
    const QRect screen = *m_controller->windowScreenFrame();
    const QRect frame = *m_controller->windowFrame();
    EXPECT_EQ(frame.x(), screen.x() + (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.y(), screen.y() + (screen.height() - frame.height()) / 2);
}

// The hint continues the typed word two points after it, or shows a title matching later whole, eight points
// after; case and marks are ignored, markup and ampersands are shown as typed.
TEST_F(PanelLayoutTest, HintPlacesTheRestOfTheTitleAfterTheText)
{
    openPanel();
    type(u"Exp"_qs);
    ASSERT_EQ(panel().hintItem(), m_export) << "typing offers the hint";
    const struct { QString typed; RowDataPtr row; QString hint; int gap; } cases[] = {
        {u"Exp"_qs, m_export, u"ort ▶"_qs, 2},
        {u"port"_qs, m_export, u"Export ▶"_qs, 8},
        {u"resu"_qs, makeRow(u"Résumé"_qs), u"mé ▶"_qs, 2},
        {u"x"_qs, makeRow(u"<b>Bold</b> & Co"_qs), u"<b>Bold</b> & Co ▶"_qs, 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.hint.toStdString());
        input().setText(c.typed);
        panel().renderHint(c.row);
        const int typed = QFontMetrics(input().font()).horizontalAdvance(c.typed);
        EXPECT_EQ(panel().hint()->text(), c.hint);
        EXPECT_EQ(panel().inputWidth(), typed + c.gap);
        EXPECT_EQ(panel().hint()->x(), input().x() + panel().input()->textLeft() + typed + c.gap);
    }
    EXPECT_EQ(panel().hint()->textFormat(), Qt::PlainText);
    EXPECT_EQ(panel().menuLabel()->textFormat(), Qt::PlainText);
    panel().renderHint(nullptr);
    EXPECT_TRUE(panel().hint()->isHidden());
    EXPECT_EQ(panel().hintItem(), nullptr);
}

TEST_F(PanelLayoutTest, HideOptionIconHidesTheButtonUntilThePointerEnters)
{
    m_settings->setValue(settings::kHideOptionIcon, true);
    openPanel();
    InputBackgroundController &background = *panel().inputBackgroundController();
    m_controller->onExitPanel();
    EXPECT_FALSE(background.shouldShowOptionIcon());
    EXPECT_EQ(background.iconAlpha(), 0.0);
    background.mouseEntered();
    EXPECT_TRUE(background.shouldShowOptionIcon());
    background.mouseExited();
    EXPECT_EQ(background.iconAlpha(), 0.0);
    m_controller->switchMode(PanelMode::SelfOptions);
    EXPECT_TRUE(background.shouldShowOptionIcon());
    EXPECT_EQ(background.iconAlpha(), 1.0);
}

// The options button shows a found update, also one found while the panel was hidden; clicking it starts the
// check, then the button toggles the options.
TEST_F(PanelLayoutTest, TheOptionsButtonFollowsTheUpdateStateAndChangesMadeWhileHidden)
{
    bool hasUpdate = false;
    int checks = 0;
    PanelHooks hooks;
    hooks.hasUpdate = [&] { return hasUpdate; };
    hooks.askNow = [] { return true; };
    hooks.optionHaveBack = [] { return true; };
    hooks.startUpdateCheck = [&] { ++checks; };
    m_controller->setHooks(hooks);
    openPanel();
    m_controller->onExitPanel();
    InputBackgroundController &background = *panel().inputBackgroundController();
    ASSERT_EQ(panel().stackImage(), u"gear"_qs);

    // Found by the daily check and switched off in the preferences while the panel is hidden.
    hasUpdate = true;
    m_settings->setValue(settings::kHideOptionIcon, true);
    openPanel();
    EXPECT_EQ(panel().stackImage(), u"update"_qs);
    EXPECT_EQ(background.iconAlpha(), 0.0);
    m_controller->onExitPanel();
    m_settings->setValue(settings::kHideOptionIcon, false);
    openPanel();
    EXPECT_EQ(background.iconAlpha(), 1.0);

    m_controller->onExitPanel();
    EXPECT_EQ(panel().stackImage(), u"update"_qs);
    panel().stackIcon()->click();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(panel().stackImage(), u"gear"_qs);
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);
    panel().stackIcon()->click();
    EXPECT_EQ(m_source.mode(), PanelMode::SelfOptions);
    EXPECT_EQ(panel().stackImage(), u"back"_qs);
}

} // namespace
} // namespace tavolin::test
