// The general, appearance and palette panes: each control reads its setting when shown and writes it at once.
#include "PrefsTestSupport.h"
#include "prefs/AppearanceController.h"
#include "prefs/GeneralController.h"
#include "prefs/PaletteViewController.h"
#include "prefs/ShortcutRecorder.h"
#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/SettingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::PrefsEnvironment;

// Every switch: shown from its key when its pane is shown (numbers count as bools), and written alone the
// moment it is clicked.
TEST(PaneSwitchTest, EachSwitchShowsItsKeyAndWritesOnlyIt)
{
    PrefsEnvironment env;
    GeneralController general(env.context);
    AppearanceController appearance(env.context);
    PaletteViewController palette(env.context);
    // written: what the first click stores, inverted for the "hide" keys.
    const struct { QLatin1String key; QWidget *pane; QCheckBox *box; bool unsetChecked; bool written; } switches[] = {
        {settings::kSendData, &general, general.sendDataButton(), false, true},
        {settings::kStartOnLogin, &general, general.startOnLoginButton(), false, true},
        {settings::kHideAppIcon, &appearance, appearance.showAppIconButton(), true, true},
        {settings::kHideOptionIcon, &appearance, appearance.showOptionIconButton(), true, true},
        {settings::kShowMenuState, &palette, palette.showMenuStateButton(), true, false},
        {settings::kUsePreferenceShortcut, &palette, palette.usePreferenceShortcutButton(), false, true},
        {kQuickOpenKey, &palette, palette.quickOpenButton(), false, true},
    };
    general.show();
    appearance.show();
    palette.show();
    for (const auto &s : switches) {
        SCOPED_TRACE(s.key.data());
        EXPECT_EQ(s.box->isChecked(), s.unsetChecked);
        s.box->click();
        EXPECT_EQ(env.settings.get(s.key), QJsonValue(s.written));
        for (const auto *later = &s + 1; later != std::end(switches); ++later)
            EXPECT_FALSE(env.domain->contains(later->key)) << later->key.data();
        for (const bool flip : {true, false}) {
            env.settings.put(int(s.written != flip), s.key);
            s.pane->hide();
            s.pane->show();
            EXPECT_EQ(s.box->isChecked(), s.unsetChecked == flip);
        }
    }
}

TEST(GeneralPaneTest, OpeningStartsThePaletteOnceAndQuitStopsIt)
{
    PrefsEnvironment env;
    GeneralController pane(env.context);
    pane.show();
    EXPECT_EQ(env.launcher.launches, 1);
    pane.quitButton()->click();
    EXPECT_EQ(env.launcher.terminations, 1);
    EXPECT_FALSE(env.launcher.running);
    pane.hide();
    pane.show();
    EXPECT_EQ(env.launcher.launches, 1) << "showing the pane again must not restart a palette the person quit";

    env.launcher.running = true;
    GeneralController another(env.context);
    another.show();
    EXPECT_EQ(env.launcher.launches, 1) << "a running palette is not started again";
}

TEST(AppearancePaneTest, ListNumberPopupShowsTheStoredValueAndStoresIndexPlusFive)
{
    PrefsEnvironment env;
    AppearanceController pane(env.context);
    const struct { const char *name; QJsonValue stored; int index; } cases[] = {
        {"unset shows seven", QJsonValue::Undefined, 2},
        {"five is the first item", 5, 0},
        {"below five selects nothing", 3, -1},
        {"twelve is item seven", 12, 7},
        {"zero selects nothing", 0, -1},
        {"wrong type reads as unset", QStringLiteral("9"), 2},
        {"above the last item selects nothing", 99, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        env.settings.put(c.stored, settings::kListNumber);
        pane.hide();
        pane.show();
        EXPECT_EQ(pane.itemNumberButton()->currentIndex(), c.index);
    }
    Q_EMIT pane.itemNumberButton()->activated(0);
    EXPECT_EQ(env.settings.get(settings::kListNumber), QJsonValue(5));
    Q_EMIT pane.itemNumberButton()->activated(4);
    EXPECT_EQ(env.settings.get(settings::kListNumber), QJsonValue(9));
}

using PalettePaneTest = test::PaneTest<PaletteViewController>;

TEST_F(PalettePaneTest, RecordingWritesStoredFormAndDescriptionAndClearingRemovesBoth)
{
    open();
    ShortcutRecorder *recorder = pane->shortcutView();
    recorder->startRecording();
    QTest::keyClick(recorder->findChild<QPushButton *>(), Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    const QJsonValue stored = env.settings.get(settings::kPaletteShortcut);
    EXPECT_EQ(stored, QJsonValue(u"cmd+alt+k"_qs));
    const auto shortcut = KeyCodeHelper::deserializeShortcut(stored);
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcutString).toString(), shortcut->description());
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcutString).toString(),
              KeyData::keyDataFromShortcut(*shortcut).toString())
        << "the palette compares it with KeyData::toString of menu shortcuts";

    env.settings.put(u"cmd+shift+p"_qs, settings::kPaletteShortcut);
    pane->hide();
    pane->show();
    ASSERT_TRUE(recorder->shortcut().has_value());
    EXPECT_EQ(ShortcutRecorder::displayText(*recorder->shortcut()), QLatin1String("Ctrl+Shift+P"));
    recorder->startRecording();
    recorder->recordKey(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcut));
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcutString));
}

TEST_F(PalettePaneTest, APlainLetterIsRefusedEscapeCancelsAndOptionAloneIsAllowed)
{
    open();
    ShortcutRecorder *recorder = pane->shortcutView();
    recorder->startRecording();
    EXPECT_TRUE(recorder->recordKey(Qt::Key_J, Qt::NoModifier));
    EXPECT_TRUE(recorder->isRecording()) << "a letter alone is refused and recording goes on";
    recorder->recordKey(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcut));
    recorder->startRecording();
    recorder->recordKey(Qt::Key_J, Qt::AltModifier);
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcut), QJsonValue(u"alt+j"_qs));
}

TEST_F(PalettePaneTest, QuickOpenEnablesItsRecorder)
{
    open();
    EXPECT_FALSE(pane->openShortcutView()->isEnabled());
    pane->quickOpenButton()->click();
    EXPECT_TRUE(pane->openShortcutView()->isEnabled());
    pane->openShortcutView()->startRecording();
    pane->openShortcutView()->recordKey(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(env.settings.get(settings::kOpenShortcut), QJsonValue(QStringLiteral("cmd+shift+o")));
}

TEST_F(PalettePaneTest, PreferenceShortcutHelpNamesLinuxKeys)
{
    open();
    const QString help = pane->usePreferenceShortcutHelpButton()->toolTip();
    EXPECT_TRUE(help.contains(QLatin1String("Ctrl+,")) && !help.contains(QChar(0x2318))) << help.toStdString();
    pane->usePreferenceShortcutHelpButton()->click();
    EXPECT_TRUE(pane->usePreferenceShortcutHelpPopover()->isVisible());
}

// In a Wayland session the pane says how the desktop binds the palette: the trigger its shortcuts portal
// reports while the palette keeps one in the settings, else how to bind `tavolin --show` to the stored key.
TEST_F(PalettePaneTest, WaylandShowsTheDesktopsTriggerOrHowToBindTheCommand)
{
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    env.settings.put(QStringLiteral("cmd+alt+k"), settings::kPaletteShortcut);
    open();
    const auto shown = [this] {
        QStringList texts;
        for (const QLabel *label : pane->findChildren<QLabel *>())
            texts << label->text();
        return texts.join(QLatin1Char('\n'));
    };
    EXPECT_TRUE(shown().contains(u"Bind Ctrl+Alt+K to the command \"tavolin --show\""_qs)) << qPrintable(shown());

    env.settings.put(QStringLiteral("Super+F9"), settings::kPaletteShortcutDesktopTrigger);
    EXPECT_TRUE(shown().contains(u"The desktop shows the palette on Super+F9"_qs)) << qPrintable(shown());
    EXPECT_FALSE(shown().contains(u"tavolin --show"_qs)) << qPrintable(shown());

    env.settings.put(QJsonValue::Undefined, settings::kPaletteShortcutDesktopTrigger);
    env.settings.put(QStringLiteral("cmd+shift+p"), settings::kPaletteShortcut);
    EXPECT_TRUE(shown().contains(u"Bind Ctrl+Shift+P to the command \"tavolin --show\""_qs)) << qPrintable(shown());
    if (wayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", wayland);
}

} // namespace
} // namespace tavolin
