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
#include <QLabel>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QFrame>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::PrefsEnvironment;

QString commandName(const Settings &settings)
{
    const QJsonArray command = settings.get(settings::kCommand).toArray();
    return command.isEmpty() ? QString() : command.first().toString();
}

TEST(GeneralPaneTest, SendDataWritesOnlyItsKey)
{
    PrefsEnvironment env;
    GeneralController pane(env.context);
    pane.show();
    EXPECT_FALSE(pane.sendDataButton()->isChecked());
    pane.sendDataButton()->click();
    EXPECT_EQ(env.settings.get(settings::kSendData), QJsonValue(true));
    EXPECT_FALSE(env.domain->contains(settings::kStartOnLogin));
    pane.startOnLoginButton()->click();
    EXPECT_EQ(env.settings.get(settings::kStartOnLogin), QJsonValue(true));
}

TEST(GeneralPaneTest, ReadsStoredValuesWhenShownAgain)
{
    PrefsEnvironment env;
    GeneralController pane(env.context);
    pane.show();
    pane.hide();
    env.settings.put(1, settings::kStartOnLogin); // numbers count as bools
    pane.show();
    EXPECT_TRUE(pane.startOnLoginButton()->isChecked());
}

TEST(GeneralPaneTest, StartsThePaletteOnceAndQuitStopsIt)
{
    PrefsEnvironment env;
    GeneralController pane(env.context);
    pane.show();
    EXPECT_EQ(env.launcher.launches, 1);
    EXPECT_TRUE(env.launcher.running);
    pane.quitButton()->click();
    EXPECT_EQ(env.launcher.terminations, 1);
    pane.hide();
    pane.show();
    EXPECT_EQ(env.launcher.launches, 1) << "showing the pane again must not restart a palette the person quit";
}

TEST(GeneralPaneTest, RunningPaletteIsNotStartedAgain)
{
    PrefsEnvironment env;
    env.launcher.running = true;
    GeneralController pane(env.context);
    pane.show();
    EXPECT_EQ(env.launcher.launches, 0);
}

TEST(GeneralPaneTest, CheckUpdatesSendsTheCommand)
{
    PrefsEnvironment env;
    GeneralController pane(env.context);
    pane.checkUpdateButton()->click();
    EXPECT_EQ(commandName(env.settings), QLatin1String("checkUpdates"));
}

struct ListNumberRow
{
    const char *name;
    QJsonValue stored;
    int expectedIndex;
};

class ListNumberPopupTest : public ::testing::TestWithParam<ListNumberRow>
{
};

TEST_P(ListNumberPopupTest, SelectsTheItemForTheStoredValue)
{
    PrefsEnvironment env;
    if (!GetParam().stored.isUndefined())
        env.settings.put(GetParam().stored, settings::kListNumber);
    AppearanceController pane(env.context);
    pane.show();
    EXPECT_EQ(pane.itemNumberButton()->currentIndex(), GetParam().expectedIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListNumberPopupTest,
    ::testing::Values(ListNumberRow{"UnsetShowsSeven", QJsonValue::Undefined, 2},
                      ListNumberRow{"FiveIsTheFirstItem", 5, 0}, ListNumberRow{"TwelveIsItemSeven", 12, 7},
                      ListNumberRow{"BelowFiveSelectsNothing", 3, -1},
                      ListNumberRow{"ZeroSelectsNothing", 0, -1},
                      ListNumberRow{"AboveTheLastItemSelectsNothing", 99, -1},
                      ListNumberRow{"WrongTypeReadsAsUnset", QStringLiteral("9"), 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AppearancePaneTest, ChoosingAnItemStoresIndexPlusFive)
{
    PrefsEnvironment env;
    AppearanceController pane(env.context);
    pane.show();
    pane.itemNumberButton()->setCurrentIndex(0);
    Q_EMIT pane.itemNumberButton()->activated(0);
    EXPECT_EQ(env.settings.get(settings::kListNumber), QJsonValue(5));
    Q_EMIT pane.itemNumberButton()->activated(4);
    EXPECT_EQ(env.settings.get(settings::kListNumber), QJsonValue(9));
}

TEST(AppearancePaneTest, IconCheckBoxesWriteTheHideKeysInverted)
{
    PrefsEnvironment env;
    env.settings.put(true, settings::kHideOptionIcon);
    AppearanceController pane(env.context);
    pane.show();
    EXPECT_TRUE(pane.showAppIconButton()->isChecked());
    EXPECT_FALSE(pane.showOptionIconButton()->isChecked());
    pane.showAppIconButton()->click();
    EXPECT_EQ(env.settings.get(settings::kHideAppIcon), QJsonValue(true));
    pane.showOptionIconButton()->click();
    EXPECT_EQ(env.settings.get(settings::kHideOptionIcon), QJsonValue(false));
}

TEST(AppearancePaneTest, ChangeThemeSendsShowTheme)
{
    PrefsEnvironment env;
    AppearanceController pane(env.context);
    pane.changeThemeButton()->click();
    EXPECT_EQ(commandName(env.settings), QLatin1String("showTheme"));
}

TEST(PalettePaneTest, MenuStateShowsTheStoredValueAndUncheckingStoresFalse)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    EXPECT_TRUE(pane.showMenuStateButton()->isChecked());
    pane.showMenuStateButton()->click();
    EXPECT_EQ(env.settings.get(settings::kShowMenuState), QJsonValue(false));

    PaletteViewController again(env.context);
    again.show();
    EXPECT_FALSE(again.showMenuStateButton()->isChecked());
}

TEST(PalettePaneTest, RecordingWritesStoredFormAndDescription)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    ShortcutRecorder *recorder = pane.shortcutView();
    recorder->startRecording();
    QTest::keyClick(recorder->findChild<QPushButton *>(), Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    const QJsonValue stored = env.settings.get(settings::kPaletteShortcut);
    EXPECT_EQ(stored, QJsonValue(QStringLiteral("cmd+alt+k")));
    const auto shortcut = KeyCodeHelper::deserializeShortcut(stored);
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcutString).toString(), shortcut->description());
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcutString).toString(),
              KeyData::keyDataFromShortcut(*shortcut).toString())
        << "the palette compares it with KeyData::toString of menu shortcuts";
}

TEST(PalettePaneTest, OptionAloneIsAllowedButPlainLetterIsRefused)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    ShortcutRecorder *recorder = pane.shortcutView();
    recorder->startRecording();
    EXPECT_TRUE(recorder->recordKey(Qt::Key_J, Qt::NoModifier));
    EXPECT_TRUE(recorder->isRecording()) << "a letter alone is refused and recording goes on";
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcut));
    recorder->recordKey(Qt::Key_J, Qt::AltModifier);
    EXPECT_EQ(env.settings.get(settings::kPaletteShortcut), QJsonValue(QStringLiteral("alt+j")));
}

TEST(PalettePaneTest, ShowsStoredShortcutAndClearingRemovesBothKeys)
{
    PrefsEnvironment env;
    env.settings.put(QStringLiteral("cmd+shift+p"), settings::kPaletteShortcut);
    env.settings.put(QStringLiteral("⇧⌘P"), settings::kPaletteShortcutString);
    PaletteViewController pane(env.context);
    pane.show();
    ASSERT_TRUE(pane.shortcutView()->shortcut().has_value());
    EXPECT_EQ(ShortcutRecorder::displayText(*pane.shortcutView()->shortcut()), QLatin1String("Ctrl+Shift+P"));
    pane.shortcutView()->startRecording();
    pane.shortcutView()->recordKey(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcut));
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcutString));
}

TEST(PalettePaneTest, EscapeCancelsWithoutWriting)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    pane.shortcutView()->startRecording();
    pane.shortcutView()->recordKey(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(pane.shortcutView()->isRecording());
    EXPECT_FALSE(env.domain->contains(settings::kPaletteShortcut));
}

TEST(PalettePaneTest, QuickOpenDefaultsOffAndEnablesItsRecorder)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    EXPECT_FALSE(pane.quickOpenButton()->isChecked());
    EXPECT_FALSE(pane.openShortcutView()->isEnabled());
    pane.quickOpenButton()->click();
    EXPECT_EQ(env.settings.get(kQuickOpenKey), QJsonValue(true));
    EXPECT_TRUE(pane.openShortcutView()->isEnabled());
    pane.openShortcutView()->startRecording();
    pane.openShortcutView()->recordKey(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(env.settings.get(settings::kOpenShortcut), QJsonValue(QStringLiteral("cmd+shift+o")));
}

TEST(PalettePaneTest, PreferenceShortcutAndHistory)
{
    PrefsEnvironment env;
    PaletteViewController pane(env.context);
    pane.show();
    EXPECT_FALSE(pane.usePreferenceShortcutButton()->isChecked());
    pane.usePreferenceShortcutButton()->click();
    EXPECT_EQ(env.settings.get(settings::kUsePreferenceShortcut), QJsonValue(true));
    // Linux keys, not another platform's symbols.
    const QString help = pane.usePreferenceShortcutHelpButton()->toolTip();
    EXPECT_TRUE(help.contains(QLatin1String("Ctrl+,")) && !help.contains(QChar(0x2318))) << help.toStdString();
    pane.usePreferenceShortcutHelpButton()->click();
    EXPECT_TRUE(pane.usePreferenceShortcutHelpPopover()->isVisible());
    pane.deleteHistoryButton()->click();
    EXPECT_EQ(commandName(env.settings), QLatin1String("clearHistory"));
}

// In a Wayland session the pane says how the desktop binds the palette: the trigger its shortcuts portal
// reports while the palette keeps one in the settings, else how to bind `tavolin --show` to the stored key.
TEST(PalettePaneTest, WaylandShowsTheDesktopsTriggerOrHowToBindTheCommand)
{
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    PrefsEnvironment env;
    env.settings.put(QStringLiteral("cmd+alt+k"), settings::kPaletteShortcut);
    PaletteViewController pane(env.context);
    pane.show();
    const auto shownText = [&pane] {
        QStringList texts;
        for (const QLabel *label : pane.findChildren<QLabel *>())
            texts << label->text();
        return texts.join(QLatin1Char('\n'));
    };
    EXPECT_TRUE(shownText().contains(QLatin1String("Bind Ctrl+Alt+K to the command \"tavolin --show\""))) << shownText().toStdString();

    env.settings.put(QStringLiteral("Super+F9"), settings::kPaletteShortcutDesktopTrigger);
    EXPECT_TRUE(shownText().contains(QLatin1String("The desktop shows the palette on Super+F9"))) << shownText().toStdString();
    EXPECT_FALSE(shownText().contains(QLatin1String("tavolin --show"))) << shownText().toStdString();

    env.settings.put(QJsonValue::Undefined, settings::kPaletteShortcutDesktopTrigger);
    env.settings.put(QStringLiteral("cmd+shift+p"), settings::kPaletteShortcut);
    EXPECT_TRUE(shownText().contains(QLatin1String("Bind Ctrl+Shift+P to the command \"tavolin --show\""))) << shownText().toStdString();
    if (wayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", wayland);
}

} // namespace
} // namespace tavolin
