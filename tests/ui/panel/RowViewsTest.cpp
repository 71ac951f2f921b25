#include "palette/PaletteTestSupport.h"

#include "palette/ThemeFactory.h"
#include "ui/panel/CompactItemView.h"
#include "ui/panel/ItemView.h"
#include "ui/panel/StepScrollView.h"
#include "ui/panel/ThemeColors.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

class ItemViewTest : public ::testing::Test
{
protected:
    ScopedMenuRules m_noRules;
    ItemView m_view;
};

TEST_F(ItemViewTest, ShortcutsAreShownTheLinuxWayAndASubmenuShowsTheArrowInstead)
{
    auto row = makeRow(u"Save As…"_qs, {u"File"_qs});
    row->setShortcut(KeyData(u"S"_qs, 0, keymask::kShift));
    m_view.render(*row, false, true);
    EXPECT_EQ(m_view.shortcut, u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(m_view.path, u"File"_qs);
    auto submenu = makeRow(u"Export"_qs, {u"File"_qs}, -1, true);
    submenu->setShortcut(KeyData(u"E"_qs, 0, keymask::kShift));
    m_view.render(*submenu, false, true);
    EXPECT_EQ(m_view.shortcut, u"▶"_qs);
}

TEST_F(ItemViewTest, TheMenuStateTakesItsMarginAndShowsTheCheckMark)
{
    const struct { bool showMenuState; bool checked; int margin; const char *status; } cases[] = {
        {true, true, 24, "✓"}, {true, false, 24, ""}, {false, true, 18, ""}, {false, false, 18, ""}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "shown " << c.showMenuState << ", checked " << c.checked);
        auto row = makeRow(u"Word Wrap"_qs, {u"View"_qs});
        row->setIsChecked(c.checked);
        m_view.render(*row, false, c.showMenuState);
        EXPECT_EQ(m_view.stateMargin, c.margin);
        EXPECT_EQ(m_view.status, QString::fromUtf8(c.status));
    }
}

// The first history row is marked recent, other rows show their primary hint or no label; a hint label
// replaces the path; titles keep markup and ampersands as text.
TEST_F(ItemViewTest, GroupLabelPathAndTitle)
{
    m_view.render(*makeRow(u"Copy"_qs, {u"Edit"_qs}, 0), true, true);
    EXPECT_TRUE(m_view.groupLabelVisible);
    EXPECT_EQ(m_view.groupLabel, u"Recent"_qs);
    auto update = makeRow(u"Update"_qs);
    update->setPrimaryHint(u"Update Avaiable"_qs);
    m_view.render(*update, false, true);
    EXPECT_TRUE(m_view.groupLabelVisible);
    EXPECT_EQ(m_view.groupLabel, u"Update Avaiable"_qs);
    m_view.render(*makeRow(u"<b>Bold</b> & Co"_qs), false, true);
    EXPECT_FALSE(m_view.groupLabelVisible);
    EXPECT_EQ(m_view.title, u"<b>Bold</b> & Co"_qs);

    auto preferences = makeRow(u"Preferences"_qs, {u"Tavolin"_qs});
    preferences->setHintLabel(u"Change settings of Tavolin"_qs);
    m_view.render(*preferences, false, true);
    EXPECT_EQ(m_view.path, u"Change settings of Tavolin"_qs);
}

TEST_F(ItemViewTest, SelectionAndDarkRowsUseTheirColours)
{
    themecolors::setDesktopDarkForTesting(false);
    const Theme light = ThemeFactory::all().at(1);
    ASSERT_EQ(light.name, u"Light"_qs);
    m_view.setBackgroundStyle(false, light, false);
    EXPECT_EQ(m_view.colors.title, themecolors::toQColor(*light.row.text.color));
    EXPECT_EQ(m_view.titleSize, 12);
    m_view.setBackgroundStyle(true, light, false);
    EXPECT_EQ(m_view.colors.title, QColor(Qt::black));
    EXPECT_EQ(m_view.colors.path, themecolors::toQColor(*light.highlightedRow.secondLabel.color));
    // No highlighted recent colour: the group label takes the highlighted text colour.
    EXPECT_EQ(m_view.colors.group, QColor(Qt::black));
    themecolors::setDesktopDarkForTesting(std::nullopt);

    const Theme theme = ThemeFactory::defaultTheme(); // dark rows take the dark recent colour
    m_view.setBackgroundStyle(false, theme, true);
    EXPECT_EQ(m_view.colors.group, themecolors::toQColor(*theme.row.recent.colorInDark));
}

TEST(AbbreviatedFolderTest, HomeBecomesTilde)
{
    EXPECT_EQ(abbreviatedFolder(QDir::homePath() + u"/Documents/a.txt"_qs), u"~/Documents"_qs);
    EXPECT_EQ(abbreviatedFolder(QDir::homePath() + u"/a.txt"_qs), u"~"_qs);
    EXPECT_EQ(abbreviatedFolder(u"/etc/hosts"_qs), u"/etc"_qs);
    EXPECT_EQ(abbreviatedFolder(QString()), QString());
}

TEST(CompactItemViewTest, NumbersRowsFromTheFirstVisible)
{
    const struct
    {
        const char *name;
        qsizetype index;
        bool firstInGroup;
        qsizetype first;
        bool groupVisible;
        const char *shortcut;
    } cases[] = {
        {"top row after scrolling shows one and its group", 3, false, 3, true, "Ctrl+1"},
        {"second row in the same group has no label", 4, false, 3, false, "Ctrl+2"},
        {"row starting a group shows it", 5, true, 3, true, "Ctrl+3"},
        {"first row unscrolled", 0, true, 0, true, "Ctrl+1"},
        {"unknown offset shows only row zero", 2, true, -1, false, "Ctrl+4"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CompactItemView view;
        view.render(FileRowFields{u"notes.txt"_qs, u"/tmp/notes.txt"_qs, QString(), u"Open"_qs}, c.firstInGroup,
                    c.index);
        view.updateScrollOffset(c.first);
        EXPECT_EQ(view.groupVisible, c.groupVisible);
        EXPECT_EQ(view.shortcut, QString::fromUtf8(c.shortcut));
    }
    CompactItemView reused;
    reused.render(FileRowFields{u"a"_qs, QString(), QString(), QString()}, true, 4);
    reused.prepareForReuse();
    EXPECT_EQ(reused.index, -1) << "a reused cell forgets its row";
    EXPECT_FALSE(reused.firstInGroup);
}

TEST(StepScrollViewTest, LessThanARowDoesNotMoveAndAFullRowMovesExactlyOne)
{
    StepScrollView step;
    EXPECT_EQ(step.scrollWheel(20, 30), 0);
    EXPECT_EQ(step.scrollWheel(9, 30), 0);
    EXPECT_EQ(step.scrollWheel(1, 30), 1);
    EXPECT_EQ(step.scrollWheel(29, 30), 0);
    EXPECT_EQ(step.scrollWheel(-40, 30), -1);
    EXPECT_EQ(step.scrollWheel(-20, 30), 0); // -1 in all truncates to the start row
    EXPECT_EQ(step.scrollWheel(-29, 30), -1);
}

TEST(StepScrollViewTest, ALargeDeltaMovesSeveralRowsAndAGestureStartsAfresh)
{
    StepScrollView step;
    EXPECT_EQ(step.scrollWheel(95, 30), 3);
    step.resetGesture();
    EXPECT_EQ(step.shadowScrollPos, 0);
    EXPECT_EQ(step.offsetRow, 0);
    EXPECT_EQ(step.scrollWheel(29, 30), 0);
    step.resetGesture();
    EXPECT_EQ(step.scrollWheel(500, 1), 0) << "tiny row heights never step";
}

} // namespace
} // namespace tavolin::test
