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

TEST_F(ItemViewTest, ARowWithASubmenuShowsTheArrowInsteadOfItsShortcut)
{
    auto row = makeRow(u"Export"_qs, {u"File"_qs}, -1, true);
    row->setShortcut(KeyData(u"E"_qs, 0, keymask::kShift));
    m_view.render(*row, false, true);
    EXPECT_EQ(m_view.shortcut, u"▶"_qs);
}

TEST_F(ItemViewTest, ShortcutsAreShownTheLinuxWay)
{
    auto row = makeRow(u"Save As…"_qs, {u"File"_qs});
    row->setShortcut(KeyData(u"S"_qs, 0, keymask::kShift));
    m_view.render(*row, false, true);
    EXPECT_EQ(m_view.shortcut, u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(m_view.path, u"File"_qs);
}

struct StateCase
{
    const char *name;
    bool showMenuState;
    bool checked;
    int margin;
    const char *status;
};

class ItemViewStateTest : public ItemViewTest, public ::testing::WithParamInterface<StateCase>
{
};

const StateCase kStates[] = {
    {"StateShownChecked", true, true, 24, "✓"},
    {"StateShownUnchecked", true, false, 24, ""},
    {"StateHiddenChecked", false, true, 18, ""},
    {"StateHiddenUnchecked", false, false, 18, ""},
};

TEST_P(ItemViewStateTest, MarginsAndCheckMark)
{
    const StateCase &c = GetParam();
    auto row = makeRow(u"Word Wrap"_qs, {u"View"_qs});
    row->setIsChecked(c.checked);
    m_view.render(*row, false, c.showMenuState);
    EXPECT_EQ(m_view.stateMargin, c.margin);
    EXPECT_EQ(m_view.status, QString::fromUtf8(c.status));
}

INSTANTIATE_TEST_SUITE_P(MenuState, ItemViewStateTest, ::testing::ValuesIn(kStates),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ItemViewTest, TheFirstHistoryRowIsMarkedRecent)
{
    auto row = makeRow(u"Copy"_qs, {u"Edit"_qs}, 0);
    m_view.render(*row, true, true);
    EXPECT_TRUE(m_view.groupLabelVisible);
    EXPECT_EQ(m_view.groupLabel, u"Recent"_qs);
}

TEST_F(ItemViewTest, OtherRowsShowTheirPrimaryHintOrNoLabel)
{
    auto row = makeRow(u"Update"_qs);
    row->setPrimaryHint(u"Update Avaiable"_qs);
    m_view.render(*row, false, true);
    EXPECT_TRUE(m_view.groupLabelVisible);
    EXPECT_EQ(m_view.groupLabel, u"Update Avaiable"_qs);
    m_view.render(*makeRow(u"Paste"_qs), false, true);
    EXPECT_FALSE(m_view.groupLabelVisible);
}

TEST_F(ItemViewTest, HintLabelReplacesThePath)
{
    auto row = makeRow(u"Preferences"_qs, {u"Tavolin"_qs});
    row->setHintLabel(u"Change settings of Tavolin"_qs);
    m_view.render(*row, false, true);
    EXPECT_EQ(m_view.path, u"Change settings of Tavolin"_qs);
}

TEST_F(ItemViewTest, TitlesKeepMarkupAndAmpersandsAsText)
{
    m_view.render(*makeRow(u"<b>Bold</b> & Co"_qs), false, true);
    EXPECT_EQ(m_view.title, u"<b>Bold</b> & Co"_qs);
}

TEST_F(ItemViewTest, SelectionUsesTheHighlightedStyle)
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
}

TEST_F(ItemViewTest, DarkRowsUseTheDarkRecentColour)
{
    const Theme theme = ThemeFactory::defaultTheme();
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

struct CompactCase
{
    const char *name;
    qsizetype index;
    bool firstInGroup;
    qsizetype first;
    bool groupVisible;
    const char *shortcut;
};

class CompactItemViewTest : public ::testing::TestWithParam<CompactCase>
{
};

const CompactCase kCompact[] = {
    {"TopRowAfterScrollingShowsOneAndItsGroup", 3, false, 3, true, "Ctrl+1"},
    {"SecondRowInTheSameGroupHasNoLabel", 4, false, 3, false, "Ctrl+2"},
    {"RowStartingAGroupShowsIt", 5, true, 3, true, "Ctrl+3"},
    {"FirstRowUnscrolled", 0, true, 0, true, "Ctrl+1"},
    {"UnknownOffsetShowsOnlyRowZero", 2, true, -1, false, "Ctrl+4"},
};

TEST_P(CompactItemViewTest, NumbersRowsFromTheFirstVisible)
{
    const CompactCase &c = GetParam();
    CompactItemView view;
    view.render(FileRowFields{u"notes.txt"_qs, u"/tmp/notes.txt"_qs, QString(), u"Open"_qs}, c.firstInGroup, c.index);
    view.updateScrollOffset(c.first);
    EXPECT_EQ(view.groupVisible, c.groupVisible);
    EXPECT_EQ(view.shortcut, QString::fromUtf8(c.shortcut));
}

INSTANTIATE_TEST_SUITE_P(ScrollOffsets, CompactItemViewTest, ::testing::ValuesIn(kCompact),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CompactItemViewReuseTest, AReusedCellForgetsItsRow)
{
    CompactItemView view;
    view.render(FileRowFields{u"a"_qs, QString(), QString(), QString()}, true, 4);
    view.prepareForReuse();
    EXPECT_EQ(view.index, -1);
    EXPECT_FALSE(view.firstInGroup);
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
}

TEST(StepScrollViewTest, TinyRowHeightsNeverStep)
{
    StepScrollView step;
    EXPECT_EQ(step.scrollWheel(500, 1), 0);
}

} // namespace
} // namespace tavolin::test
