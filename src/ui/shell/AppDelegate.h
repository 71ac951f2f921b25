#pragma once

#include "accessibility/AXApp.h"
#include "palette/KeyPoster.h"
#include "palette/ShellPort.h"
#include "ui/panel/PanelWindowController.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace tavolin {

class AtspiElementSource;
class CommandPalette;
class DBusNotifier;
class Dispatcher;
class DesktopWorkspace;
class FocusReturn;
class HotkeyBinder;
class HotkeyGrabber;
class InstanceChannel;
class MenuDataProvider;
class MenuHistory;
class OptionDataProvider;
class PaletteRulesManager;
class PanelWindowController;
class PluginDataProvider;
class QuickOpenShell;
class SettingsDomain;
class ThemeManager;
class UpdateHelper;
class UpdatePrompt;
class X11HotkeyGrabber;
class X11KeyPoster;

// The palette program's start-up and life: one instance per desktop session (a second start hands
// "opened-again", or "show" for `tavolin --show`, to the running one over its InstanceChannel and exits;
// "quit" there quits it), the panel and the palette controller over the
// real platform (X11 hot keys, focus and key posting, AT-SPI), the accessibility check, the welcome window
// on the first run, start at login, the default extensions, the reopen lock, the history of performed
// commands, the current application's locale for the search, quick open (while "quickOpen" is on), update
// checks, the focus handed back when the panel hides, and quitting a running preferences program of this
// session when the palette quits (asked over that program's channel).
//
// Main thread. Owns everything it creates; the settings domain and the dispatcher must outlive it.
class AppDelegate final : public QObject, public ShellPort
{
    Q_OBJECT
public:
    static constexpr int kReopenLockMs = 1000;
    static constexpr int kWelcomeGraceMs = 500;
    // The GlobalShortcuts portal: a reply within one time-out; binding may wait for the user's answer to a
    // dialog of the desktop.
    static constexpr int kPortalCallTimeoutMs = 900;
    static constexpr int kPortalBindTimeoutMs = 120000;
    static constexpr int kUpdateStartDelayMs = 200;
    // The palette's words on its InstanceChannel (besides InstanceChannel::kQuit).
    static constexpr auto kOpenedAgain = "opened-again";
    static constexpr auto kShow = "show";
    static constexpr qint64 kMaxRequestBytes = 64;

    enum class Start {
        Running,    // this is the session's palette
        HandedOver, // the running palette took the request: exit 0
        NoAnswer,   // a palette of this session holds the channel but does not answer: exit 1
    };

    AppDelegate(SettingsDomain &settings, Dispatcher &dispatcher, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Runs the start-up, or hands it to the session's running palette. `show` asks for the panel at once
    // (forced), in this instance or the running one.
    Start start(bool show);

    // The program was opened again while running.
    void onReopen();
    // Swallows the next reopen that arrives within a second.
    void lockReopenHandler();
    void enableStartOnLogin(bool enabled);

    QuickOpenShell *quickOpen() const { return m_quickOpen.get(); }

    // ShellPort
    AXAppPtr currentApp() const override { return m_curApp; }
    void setCurrentApp(AXAppPtr app) override;
    bool isWelcomeWindowFocused() const override;
    void showRequestAccessibilityPanel() override;
    bool hasPreferencesProgram() const override;
    bool openUrl(const QString &url) override;
    void openPreferences() override;
    void checkForUpdates() override;
    void terminate() override;

private:
    void createControllers();
    void wireHistoryAndLocale();
    PanelHooks panelHooks();
    void createQuickOpen();
    void startPortalHotkeys();
    void createUpdates();
    void willTerminate();
    void onInstanceRequest(const QByteArray &request);
    void didFinishLaunching();
    void showWelcomeScreenOnFirstTime();
    void tellIfDataCannotBeSaved();
    // The autostart entry as the setting says, whichever program last changed the setting.
    void reconcileStartOnLogin();
    QString preferencesProgram() const;

    SettingsDomain &m_settings;
    Dispatcher &m_dispatcher;
    DataSource m_dataSource; // the panel's mode and providers; everything below may refer to it
    std::unique_ptr<ThemeManager> m_themes; // before the panel and the options, which hold it
    std::unique_ptr<InstanceChannel> m_instance;
    std::unique_ptr<DBusNotifier> m_notifier;
    std::unique_ptr<PluginDataProvider> m_extensions;
    std::unique_ptr<X11HotkeyGrabber> m_grabber;
    std::unique_ptr<HotkeyGrabber> m_waylandGrabber; // over m_grabber, in a Wayland session only
    std::unique_ptr<HotkeyBinder> m_binder;
    std::unique_ptr<PaletteRulesManager> m_rules; // after the binder it asks, before everything that asks it
    std::unique_ptr<X11KeyPoster> m_x11Poster;
    std::unique_ptr<KeyPoster> m_keyPoster;
    std::shared_ptr<AtspiElementSource> m_elements;
    std::unique_ptr<PanelWindowController> m_panel;
    std::unique_ptr<OptionDataProvider> m_options;
    std::unique_ptr<MenuHistory> m_history; // before the menus, whose rows save through it
    std::shared_ptr<MenuDataProvider> m_menus;
    std::shared_ptr<CommandPalette> m_commandPalette;
    std::unique_ptr<FocusReturn> m_focus;
    std::unique_ptr<DesktopWorkspace> m_workspace;
    std::unique_ptr<QuickOpenShell> m_quickOpen;
    std::unique_ptr<UpdatePrompt> m_updatePrompt;
    std::unique_ptr<UpdateHelper> m_updates;
    AXAppPtr m_curApp;
    QPointer<QWidget> m_welcome;
    QPointer<QWidget> m_permission;
    QPointer<QTimer> m_reopenTimer;
    bool m_preventReopen = false;
};

} // namespace tavolin
