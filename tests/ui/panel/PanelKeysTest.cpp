#include "PanelTestSupport.h"

#include "common/SettingsKeys.h"
#include "ui/panel/ClickableLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

namespace tavolin::test {
namespace {

class PanelKeysTest : public PanelFixture
{
protected:
    void movePointerTo(int row)
    {
        const QPoint at = list().visualRect(list().model()->index(row, 0)).center();
        QMouseEvent move(QEvent::MouseMove, at, list().viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list().viewport(), &move);
    }
};

TEST_F(PanelKeysTest, KeysMoveTheSelectionAndWrapAround)
{
    // 8 rows at the top level, visible row limit 7.
    const struct
    {
        const char *name;
        int startRow;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int expectedRow;
    } moves[] = {
        {"up at the first row wraps to the last", 0, Qt::Key_Up, Qt::NoModifier, 7},
        {"down at the last row wraps to the first", 7, Qt::Key_Down, Qt::NoModifier, 0},
        {"down moves one", 2, Qt::Key_Down, Qt::NoModifier, 3},
        {"Super+N moves down", 2, Qt::Key_N, Qt::MetaModifier, 3},
        {"Super+P moves up", 2, Qt::Key_P, Qt::MetaModifier, 1},
        {"page down past the end wraps to the first", 5, Qt::Key_PageDown, Qt::NoModifier, 0},
        {"page down moves by the limit", 0, Qt::Key_PageDown, Qt::NoModifier, 7},
        {"page up before the start wraps to the last", 2, Qt::Key_PageUp, Qt::NoModifier, 7},
        {"home selects the first", 5, Qt::Key_Home, Qt::NoModifier, 0},
        {"end selects the last", 1, Qt::Key_End, Qt::NoModifier, 7},
    };
    openPanel();
    ASSERT_EQ(list().rowCount(), 8);
    for (const auto &move : moves) {
        SCOPED_TRACE(move.name);
        m_controller->selectRow(move.startRow);
        key(move.key, move.modifiers);
        EXPECT_EQ(list().selectedRow(), move.expectedRow);
        EXPECT_TRUE(m_controller->isVisible());
    }
}

TEST_F(PanelKeysTest, PageDownTurnsAPageSoTheRowLandsAtTheTop)
{
    openPanel();
    m_controller->selectRow(6);
    key(Qt::Key_Down); // row 7 lies below the 7 visible rows
    EXPECT_EQ(list().selectedRow(), 7);
    EXPECT_EQ(list().visibleTop(), list().verticalScrollBar()->maximum());
    EXPECT_GT(list().visibleTop(), 0);
}

TEST_F(PanelKeysTest, BackspaceAtTheStartGoesUpAndKeepsTheText)
{
    openPanel();
    m_controller->selectRow(0);
    key(Qt::Key_Return);
    type(u"sa"_qs);
    input().setCursorPosition(0);
    key(Qt::Key_Backspace);
    EXPECT_EQ(m_menus.filteredParent(), nullptr);
    EXPECT_EQ(input().text(), u"sa"_qs);
    EXPECT_EQ(panel().menuLabel()->text(), QString());
    EXPECT_EQ(selectedTitle(), u"Save"_qs);

    // At the top level it edits as usual.
    input().setCursorPosition(0);
    key(Qt::Key_Backspace);
    EXPECT_EQ(input().text(), u"sa"_qs);
    input().setCursorPosition(2);
    key(Qt::Key_Backspace);
    EXPECT_EQ(input().text(), u"s"_qs);
    EXPECT_EQ(m_menus.filteredParent(), nullptr);
}

// Return chooses when it comes up, so that its release reaches the panel and not the application the chosen
// command is pressed in; held down, it chooses after a moment all the same; Escape meanwhile drops the choice.
TEST_F(PanelKeysTest, ReturnChoosesTheRowWhenItComesUp)
{
    openPanel();
    m_controller->selectRow(0); // File: choosing it goes into its rows
    QTest::keyPress(&input(), Qt::Key_Return);
    EXPECT_EQ(m_menus.filteredParent(), nullptr);
    QTest::keyRelease(&input(), Qt::Key_Return);
    EXPECT_EQ(m_menus.filteredParent(), m_file);

    // Held: with no wait the row is chosen as soon as the event loop runs, unless Escape came first.
    panel().setReleaseWait(std::chrono::milliseconds(0));
    key(Qt::Key_Backspace);
    ASSERT_EQ(m_menus.filteredParent(), nullptr);
    m_controller->selectRow(0);
    QTest::keyPress(&input(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_menus.filteredParent(), m_file) << "held: never chosen";

    key(Qt::Key_Backspace);
    m_controller->selectRow(0);
    QTest::keyPress(&input(), Qt::Key_Return);
    key(Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_menus.filteredParent(), nullptr);
    EXPECT_FALSE(m_controller->isVisible());
}

TEST_F(PanelKeysTest, UndoUndoesTypingThenLeavesTheLevelThenTheOptions)
{
    openPanel();
    m_controller->selectRow(0);
    key(Qt::Key_Return);
    type(u"x"_qs);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(input().text(), QString());
    EXPECT_EQ(m_menus.filteredParent(), m_file);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_menus.filteredParent(), nullptr);

    panel().stackIcon()->click();
    EXPECT_EQ(m_source.mode(), PanelMode::SelfOptions);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);
    EXPECT_EQ(panel().stackImage(), u"gear"_qs);
}

TEST_F(PanelKeysTest, RightAcceptsTheHintOnlyAtTheEndAndTabWithoutAHintDoesNothing)
{
    openPanel();
    type(u"Exp"_qs);
    input().setCursorPosition(1);
    key(Qt::Key_Right);
    EXPECT_EQ(m_menus.filteredParent(), nullptr); // caret was not at the end: it only moved
    EXPECT_EQ(input().cursorPosition(), 2);
    input().setCursorPosition(3);
    key(Qt::Key_Right);
    EXPECT_EQ(m_menus.filteredParent(), m_export);

    type(u"zzz"_qs);
    ASSERT_EQ(panel().hintItem(), nullptr);
    key(Qt::Key_Tab);
    EXPECT_EQ(m_menus.filteredParent(), m_export);
    EXPECT_TRUE(m_controller->isVisible());
}

// A row's shortcut typed in the panel runs that row, except Copy with text selected and while no row is listed.
TEST_F(PanelKeysTest, ARowShortcutTypedInThePanelRunsThatRowUnlessTheTextFieldTakesIt)
{
    openPanel();
    type(u"ed"_qs);
    input().selectAll();
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(m_performed.isEmpty());
    EXPECT_TRUE(m_controller->isVisible());

    type(u"zzzz"_qs);
    ASSERT_EQ(list().rowCount(), 0);
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(m_performed.isEmpty());
    key(Qt::Key_Home);
    EXPECT_EQ(input().cursorPosition(), 0);

    input().selectAll();
    key(Qt::Key_Backspace);
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(m_performed, QStringList{u"New"_qs});
    EXPECT_FALSE(m_controller->isVisible());
}

// Ctrl+, opens the options only when allowed; closing returns to the command palette at the top.
TEST_F(PanelKeysTest, CtrlCommaOpensTheOptionsOnlyWhenAllowedAndClosingReturnsToTheTop)
{
    openPanel();
    m_controller->selectRow(0);
    key(Qt::Key_Return);
    key(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);

    m_settings->setValue(settings::kUsePreferenceShortcut, true);
    key(Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);
    key(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(m_source.mode(), PanelMode::SelfOptions);
    EXPECT_EQ(panel().menuLabel()->text(), u"Tavolin ▶ "_qs);

    key(Qt::Key_Escape);
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);
    EXPECT_EQ(m_menus.filteredParent(), nullptr);
    EXPECT_FALSE(m_controller->hasUndo());
}

TEST_F(PanelKeysTest, ThePointerDoesNotMoveTheSelectionInsideAPreviewLevel)
{
    m_controller->switchMode(PanelMode::SelfOptions);
    openPanel();
    m_controller->selectRow(0);
    key(Qt::Key_Return);
    const qsizetype before = list().selectedRow();
    movePointerTo(3);
    EXPECT_EQ(list().selectedRow(), before);
}

TEST_F(PanelKeysTest, ThePointerSelectsTheCommandRowUnderItAndAClickPerformsIt)
{
    openPanel();
    movePointerTo(3);
    EXPECT_EQ(list().selectedRow(), 3);
    const QPoint centre = list().visualRect(list().model()->index(2, 0)).center();
    QTest::mouseClick(list().viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(m_performed, QStringList{u"Save"_qs});
    EXPECT_FALSE(m_controller->isVisible());
}

} // namespace
} // namespace tavolin::test
