#pragma once

#include "accessibility/AXApp.h"
#include "common/Shortcut.h"
#include "palette/CommandInterpreter.h"
#include "palette/DataProvider.h"

#include <QMetaObject>
#include <QPoint>
#include <QRect>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class BoundShortcutText;

class DataSource;
class Dispatcher;
class HotkeyBinder;
class KeyPoster;
class MenuDataProvider;
class Notifier;
class OptionDataProvider;
class PaletteRulesManager;
class PanelPort;
class PluginDataProvider;
class SettingsDomain;
class ShellPort;

// Answers the palette shortcut. For the application focused at that moment it decides whether the palette
// serves it (its rule: "allow", "disabled", or "auto", where the application's own menus decide) and then
// shows the panel over it, or hands the shortcut on: the application's own menu command with that shortcut
// is pressed, else the key combination is posted to its process.
//
// It binds "palette_shortcut" (writing the default, Ctrl+Shift+P, on first start), keeps the accessibility
// service warm every ten minutes, watches the menu provider, and owns the command interpreter. Every show
// is timed; one that takes more than two seconds is logged as a "slow" usage event.
//
// Ownership: made by create() and held by shared_ptr (the menu provider holds it weakly). Every reference
// in Deps must outlive the controller and every application object it made (their hooks call the rules
// manager and the settings domain).
// Threads: main thread, except onUpdate(), which any thread may call.
class CommandPalette final : public MenuDataProviderWatcher, public std::enable_shared_from_this<CommandPalette>
{
public:
    static constexpr std::chrono::seconds kWarmupInterval{600};
    static constexpr int64_t kSlowShowMs = 2000;
    // Monotonic time; the steady clock unless a test gives another.
    using Clock = std::function<std::chrono::nanoseconds()>;

    struct Deps
    {
        SettingsDomain &settings;
        HotkeyBinder &binder;
        PaletteRulesManager &rules;
        std::shared_ptr<ElementSource> source; // never null
        PanelPort &panel;
        ShellPort &shell;
        std::shared_ptr<MenuDataProvider> menus; // never null
        KeyPoster *keyPoster = nullptr;          // null: a shortcut to hand on is dropped
        OptionDataProvider *options = nullptr;   // "showTheme"; null: only the option rows are shown
        PluginDataProvider *extensions = nullptr; // "updateExtension"; null: the command does nothing
        DataSource &dataSource;
        Dispatcher &dispatcher; // where the controller and the applications it reads queue their work
        Notifier *notifier = nullptr;            // tells the user the shortcut could not be bound
        std::function<bool()> accessRecentFolder; // "accessRecentFolder"; empty: no recent-items folder
        Clock now;
    };

    // Binds the shortcut, starts the warm-up and the command interpreter.
    static std::shared_ptr<CommandPalette> create(Deps deps);
    ~CommandPalette() override;
    CommandPalette(const CommandPalette &) = delete;
    CommandPalette &operator=(const CommandPalette &) = delete;

    // How long a forced show waits for the focused application to be found before the panel shows.
    static constexpr std::chrono::milliseconds kForcedShowWait{500};
    // How long a press while the panel is up waits before it closes the panel: an Escape typed before the
    // press reaches the panel on another connection and may still be on its way.
    static constexpr std::chrono::milliseconds kPressedAgainSettle{80};

    // The shortcut's entry point (force false) and the desktop service's (force true). The focused
    // application is found on the reading thread (the main thread never waits on it); the rest follows on
    // the main thread through prepareForShow().
    void show(bool force);
    // Makes `next` the target and starts loading its rows; true when the panel is to be shown now (forced,
    // or the rule is "allow"). For "auto" the menu provider calls onShow or onBypass later.
    bool prepareForShow(const AXAppPtr &next, bool force);

    // Shows the panel with the option rows, and with the theme rows entered.
    void showOptions();
    void showThemes();

    // The shortcut bound to "palette_shortcut" now, or none.
    std::optional<Shortcut> getHotKey() const;
    // Hands the bound shortcut on: to process `pid`, or, without one, to the current application, whose
    // menu row with that shortcut is pressed when it has one.
    void bypassHotkey(std::optional<int32_t> pid);
    // The panel was closed. Rows kept for a quick reopen, when there are more than kKeptRowsLimit (a bar of
    // thousands of items), go once the panel has stayed closed kKeptRowsIdle, with the application object
    // holding their menu records, and the freed memory is given back to the system.
    void panelClosed();
    static constexpr int kKeptRowsLimit = 5000;
    static constexpr std::chrono::milliseconds kKeptRowsIdle{1000};

    // The panel's origin centred on `screen` for a list of the visible row limit.
    QPoint calcFrame(const QRect &window, const QRect &screen) const;
    void warmupAX();

    // While false the shortcut does nothing (the first-run flow uses it).
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // Whether the last show was forced. Any thread.
    bool triggeredByForce() const { return m_forced->load(); }
    // What the application objects made here ask of the layers above.
    const AXAppHooks &appHooks() const { return m_hooks; }
    CommandInterpreter &interpreter() { return *m_interpreter; }

    // MenuDataProviderWatcher
    void onShow(DataProvider &provider) override;
    void onBypass(DataProvider &provider) override;
    void onUpdate(DataProvider &provider) override;

private:
    explicit CommandPalette(Deps deps);

    void findTarget(bool force);
    void pressedWhileVisible(bool force);
    void targetFound(uint64_t serial, const AXAppPtr &next, bool force);
    AXAppPtr targetWhilePaletteFocused() const;
    void showBeforeTargetFound(uint64_t serial);
    void onReadingThread(std::function<void()> work) const;
    void bindShortcut();
    void scheduleWarmup();
    void startInterpreter();
    AXAppHooks makeHooks() const;
    bool isCurrent(const DataProvider *provider) const;
    void showPanel(const DataProvider *provider);
    void releaseKeptRows();
    void reportTiming();
    void post(int32_t pid, const Shortcut &shortcut);
    std::chrono::nanoseconds now() const;

    Deps m_deps;
    std::chrono::nanoseconds m_launchStartTimestamp{0};
    bool m_enabled = true;
    uint64_t m_showSerial = 0;     // the latest show; an answer for an earlier one is dropped
    bool m_targetPending = false;  // the latest show's application is still being found
    std::shared_ptr<std::atomic<bool>> m_forced = std::make_shared<std::atomic<bool>>(false);
    AXAppHooks m_hooks;
    std::unique_ptr<CommandInterpreter> m_interpreter;
    std::unique_ptr<BoundShortcutText> m_shortcutText;
    QMetaObject::Connection m_bindingFailed;
};

} // namespace tavolin
