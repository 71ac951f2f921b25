#pragma once

#include "Pane.h"
#include "PrefsContext.h"
#include "common/ShortcutValidator.h"

#include <QLatin1String>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace tavolin {

class ShortcutRecorder;

// Quick open's switch (bool, default off); its shortcut is "open_shortcut".
inline constexpr QLatin1String kQuickOpenKey{"quickOpen"};

// The "Palette" tab: the palette shortcut, menu item states, the preferences-shortcut behaviour, clearing
// the history, and quick open with its shortcut.
//
// Recording a palette shortcut writes "palette_shortcut" (the stored text form, KeyCodeHelper) and
// "palette_shortcut_string" (the shortcut's description, which the palette compares with menu shortcuts);
// clearing the recorder removes both. The recorder takes what the validator allows, Option combinations
// included. When the palette cannot register a recorded shortcut it keeps its old one and stores why
// (HotkeyBinder::problemKeyFor); the pane shows that reason under the recorder, and follows the stored
// shortcuts while it is open, so the recorder names the shortcut that works. In a Wayland session it says
// under the recorder how the desktop binds the shortcut: the trigger its GlobalShortcuts portal reports, or
// else how to bind `tavolin --show` in the compositor.
class PaletteViewController : public Pane
{
    Q_OBJECT
public:
    explicit PaletteViewController(PrefsContext &context, QWidget *parent = nullptr);

    void loadSettings() override;

    ShortcutRecorder *shortcutView() const { return m_shortcutView; }
    ShortcutRecorder *openShortcutView() const { return m_openShortcutView; }
    QCheckBox *showMenuStateButton() const { return m_showMenuState; }
    QCheckBox *usePreferenceShortcutButton() const { return m_usePreferenceShortcut; }
    QToolButton *usePreferenceShortcutHelpButton() const { return m_helpButton; }
    QFrame *usePreferenceShortcutHelpPopover() const { return m_helpPopover; }
    QCheckBox *quickOpenButton() const { return m_quickOpen; }
    QPushButton *deleteHistoryButton() const { return m_deleteHistory; }

    void onShowMenuStateChanged();
    void onUsePreferenceShortcutChanged();
    void onShowUsePreferenceShortcutHelp();
    void openHelpForShortcut();
    void deleteHistoryRecords();
    void onQuickOpenChanged();

private:
    void onPaletteShortcutRecorded(const std::optional<Shortcut> &shortcut);
    void onOpenShortcutRecorded(const std::optional<Shortcut> &shortcut);
    void onSettingChanged(const QString &key);
    void showProblems();
    void showWaylandBinding();

    PrefsContext &m_context;
    ShortcutValidator m_shortcutValidator;
    ShortcutRecorder *m_shortcutView;
    ShortcutRecorder *m_openShortcutView;
    QLabel *m_shortcutProblem;
    QLabel *m_openShortcutProblem;
    QLabel *m_waylandBinding = nullptr; // in a Wayland session only
    QCheckBox *m_showMenuState;
    QCheckBox *m_usePreferenceShortcut;
    QToolButton *m_helpButton;
    QFrame *m_helpPopover;
    QCheckBox *m_quickOpen;
    QPushButton *m_deleteHistory;
};

} // namespace tavolin
