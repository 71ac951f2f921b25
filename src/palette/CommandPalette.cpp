#include "CommandPalette.h"

#include "common/DefaultRules.h"
#include "common/Dispatcher.h"
#include "common/BoundShortcutText.h"
#include "common/HotkeyBinder.h"
#include "common/KeyData.h"
#include "common/Log.h"
#include "common/PaletteRulesManager.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"
#include "extensions/Notifier.h"
#include "extensions/PluginDataProvider.h"
#include "palette/DataSource.h"
#include "palette/KeyPoster.h"
#include "palette/MenuDataProvider.h"
#include "palette/OptionDataProvider.h"
#include "palette/PanelPort.h"
#include "palette/ShellPort.h"

#include <QCoreApplication>
#include <QThread>

#include <malloc.h>

namespace tavolin {
namespace {

bool onMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

std::optional<bool> ruleAnswer(AppRule rule)
{
    switch (rule) {
    case AppRule::Allow: return true;
    case AppRule::Disabled: return false;
    case AppRule::Auto: return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::shared_ptr<CommandPalette> CommandPalette::create(Deps deps)
{
    std::shared_ptr<CommandPalette> palette(new CommandPalette(std::move(deps)));
    palette->startInterpreter();
    palette->bindShortcut();
    palette->scheduleWarmup();
    return palette;
}

CommandPalette::CommandPalette(Deps deps) : m_deps(std::move(deps))
{
    m_launchStartTimestamp = now();
    m_hooks = makeHooks();
}

CommandPalette::~CommandPalette()
{
    QObject::disconnect(m_bindingFailed);
    m_shortcutText.reset(); // quitting is no change of the shortcut: the stored text stays
    m_deps.binder.unbind(settings::kPaletteShortcut);
}

std::chrono::nanoseconds CommandPalette::now() const
{
    if (m_deps.now)
        return m_deps.now();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

// The hooks run on reading threads too: they capture only thread-safe objects, never this controller.
AXAppHooks CommandPalette::makeHooks() const
{
    PaletteRulesManager *rules = &m_deps.rules;
    SettingsDomain *settingsDomain = &m_deps.settings;
    AXAppHooks hooks;
    hooks.ruleForApp = [rules](const std::optional<QString> &bundle, const std::optional<QString> &executable) {
        return ruleAnswer(rules->ruleForApp(bundle.value_or(QString()), executable.value_or(QString())));
    };
    hooks.updateRuleForApp = [rules](const std::optional<QString> &bundle, const std::optional<QString> &executable,
                                     bool isSafe) {
        rules->updateRuleForApp(bundle.value_or(QString()), isSafe, executable.value_or(QString()));
    };
    hooks.useDefaultHotKey = [rules] { return rules->useDefaultHotKey(); };
    hooks.triggeredByForce = [forced = m_forced] { return forced->load(); };
    hooks.paletteShortcutString = [settingsDomain]() -> std::optional<QString> {
        const QString text = settings::paletteShortcutString(*settingsDomain);
        return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    };
    hooks.ignorableOption = [rules](const QString &title, const QString &appKey) -> std::optional<int64_t> {
        const std::optional<int> option = rules->getIgnorableOption(title, appKey);
        return option ? std::optional<int64_t>(*option) : std::nullopt;
    };
    hooks.appKey = [menus = std::weak_ptr<MenuDataProvider>(m_deps.menus)] {
        const auto provider = menus.lock();
        return provider ? provider->appKey() : QString();
    };
    return hooks;
}

void CommandPalette::bindShortcut()
{
    SettingsDomain &domain = m_deps.settings;
    const Shortcut fallback = DefaultRules::paletteShortcut();
    if (!domain.contains(settings::kPaletteShortcut))
        domain.setValue(settings::kPaletteShortcut, KeyData::keyDataFromShortcut(fallback).toStorageString());
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    m_bindingFailed = QObject::connect(&m_deps.binder, &HotkeyBinder::bindingFailed, &m_deps.binder,
                                       [weak](const QString &key, const QString &reason) {
                                           const auto self = weak.lock();
                                           if (self && key == settings::kPaletteShortcut && self->m_deps.notifier)
                                               self->m_deps.notifier->showError(
                                                   QCoreApplication::translate("tavolin::CommandPalette", "Palette shortcut"), reason,
                                                                                Notifier::ErrorKind::Shortcut);
                                       });
    m_deps.binder.bindShortcutWithDefaultsKey(settings::kPaletteShortcut, [weak] {
        if (const auto self = weak.lock()) {
            self->show(false);
            log::info(QStringLiteral("usage event trigger: reason=shortcut"));
        }
    });
    // The text must name the shortcut actually registered, or the palette would not recognise its own
    // shortcut in the menus of "auto" applications.
    m_shortcutText = std::make_unique<BoundShortcutText>(m_deps.settings, m_deps.binder, settings::kPaletteShortcut,
                                                         settings::kPaletteShortcutString);
}

void CommandPalette::scheduleWarmup()
{
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    m_deps.dispatcher.afterDelay(kWarmupInterval, [weak] {
        if (const auto self = weak.lock()) {
            self->warmupAX();
            self->scheduleWarmup();
        }
    });
}

void CommandPalette::panelClosed()
{
    const uint64_t serial = m_showSerial;
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    m_deps.dispatcher.afterDelay(kKeptRowsIdle, [weak, serial] {
        // A show since (even one still finding its application) keeps the rows.
        if (const auto self = weak.lock(); self && serial == self->m_showSerial)
            self->releaseKeptRows();
    });
}

// 20,000 rows hold about 60 MB with their menu records and the snapshot below them. glibc keeps pages freed
// in the middle of its heaps for the process; malloc_trim gives them back (on the pool: it walks every heap).
void CommandPalette::releaseKeptRows()
{
    if (m_deps.panel.isVisible() || m_targetPending)
        return;
    const qsizetype rows = m_deps.menus->all().size();
    if (rows <= kKeptRowsLimit)
        return;
    log::debug(QStringLiteral("the panel stayed closed: %1 kept rows released").arg(rows));
    m_deps.menus->resetState();
    m_deps.shell.setCurrentApp(nullptr);
    m_deps.dispatcher.toBackground([] { malloc_trim(0); });
}

void CommandPalette::warmupAX()
{
    if (m_deps.source->isProcessTrusted())
        onReadingThread([source = m_deps.source, dispatcher = &m_deps.dispatcher, hooks = m_hooks] {
            AXApp::currentApp(source, *dispatcher, hooks);
        });
}

// Where the accessibility source reads: the background pool, or the main thread for a source that reads
// there only.
void CommandPalette::onReadingThread(std::function<void()> work) const
{
    if (m_deps.source->readMode() == ReadMode::MainThread)
        m_deps.dispatcher.toMain(std::move(work));
    else
        m_deps.dispatcher.toBackground(std::move(work));
}

void CommandPalette::startInterpreter()
{
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    CommandInterpreter::Actions actions;
    actions.showOption = [weak] {
        if (const auto self = weak.lock())
            self->showOptions();
    };
    actions.showTheme = [weak] {
        if (const auto self = weak.lock())
            self->showThemes();
    };
    actions.checkUpdates = [shell = &m_deps.shell] { shell->checkForUpdates(); };
    actions.accessRecentFolder = m_deps.accessRecentFolder;
    actions.updateExtensions = [extensions = m_deps.extensions](const QString &json, const QString &app) {
        if (extensions)
            extensions->updateExtensions(json, app);
    };
    actions.clearHistory = [menus = m_deps.menus] { menus->clearHistory(); };
    m_interpreter = std::make_unique<CommandInterpreter>(m_deps.settings, std::move(actions));
}

std::optional<Shortcut> CommandPalette::getHotKey() const
{
    return m_deps.binder.shortcutForKey(settings::kPaletteShortcut);
}

void CommandPalette::show(bool force)
{
    if (!m_enabled)
        return;
    m_launchStartTimestamp = now();
    m_forced->store(force);
    log::info(QStringLiteral("show force? %1").arg(force ? QStringLiteral("YES") : QStringLiteral("NO")));
    if (m_deps.shell.isWelcomeWindowFocused()) {
        bypassHotkey(static_cast<int32_t>(QCoreApplication::applicationPid()));
        return;
    }
    if (m_deps.panel.isVisible()) {
        // The hot key comes over a connection of its own, the panel's keys over the toolkit's: an Escape
        // typed just before it may not have been handled yet, and the press would then close the panel the
        // user had just closed. Decide once such a key had time to arrive.
        const uint64_t serial = ++m_showSerial;
        const std::weak_ptr<CommandPalette> weak = weak_from_this();
        m_deps.dispatcher.afterDelay(kPressedAgainSettle, [weak, serial, force] {
            if (const auto self = weak.lock(); self && serial == self->m_showSerial)
                self->pressedWhileVisible(force);
        });
        return;
    }
    m_deps.panel.selectRow(0);
    findTarget(force);
}

void CommandPalette::pressedWhileVisible(bool force)
{
    if (!m_deps.panel.isVisible()) {
        log::info(QStringLiteral("the panel closed just before the press: showing it again"));
        m_deps.panel.selectRow(0);
        findTarget(force);
        return;
    }
    // Pressed again: the panel closes and, unless forced, the application gets the shortcut.
    m_deps.panel.close();
    if (!force)
        bypassHotkey(std::nullopt);
}

// Finding the focused application asks it for its name, so it runs on the reading thread; the show goes on
// on the main thread when the answer comes. Only the latest show goes on. A forced show waits for it at
// most kForcedShowWait: then the panel shows what it has, and fills in when the answer comes.
void CommandPalette::findTarget(bool force)
{
    if (!m_deps.source->isProcessTrusted()) {
        m_deps.shell.showRequestAccessibilityPanel();
        return;
    }
    const uint64_t serial = ++m_showSerial;
    m_targetPending = true;
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    onReadingThread([weak, source = m_deps.source, dispatcher = &m_deps.dispatcher, hooks = m_hooks, serial, force] {
        // Steps of the show, for bench/palette_latency.sh.
        log::debug(QStringLiteral("finding the focused application"));
        const auto started = std::chrono::steady_clock::now();
        bool paletteFocused = false;
        AXAppPtr next = AXApp::currentApp(source, *dispatcher, hooks, &paletteFocused);
        log::debug(QStringLiteral("focused application found in %1 ms")
                       .arg(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
        dispatcher->toMain([weak, next = std::move(next), serial, force, paletteFocused] {
            if (const auto self = weak.lock())
                self->targetFound(serial, paletteFocused ? self->targetWhilePaletteFocused() : next, force);
        });
    });
    if (!force)
        return;
    m_deps.dispatcher.afterDelay(kForcedShowWait, [weak, serial] {
        if (const auto self = weak.lock())
            self->showBeforeTargetFound(serial);
    });
}

void CommandPalette::showBeforeTargetFound(uint64_t serial)
{
    if (serial != m_showSerial || !m_targetPending || m_deps.panel.isVisible())
        return;
    log::info(QStringLiteral("the focused application has not answered yet: showing the panel"));
    // Rows of the previous target would be offered for an application not known yet.
    m_deps.menus->resetState();
    m_deps.panel.refreshApp(nullptr);
    showPanel(nullptr);
}

// Escape hides the panel and asks the window manager to give the focus back; a hot key pressed right after
// finds the palette still focused until the window manager has done so. With no panel up, the focus is on
// its way back to the application the panel was last shown over: that one is the target (the panel never
// opens over the palette itself, so otherwise the press would bring nothing).
AXAppPtr CommandPalette::targetWhilePaletteFocused() const
{
    if (m_deps.panel.isVisible())
        return nullptr;
    AXAppPtr previous = m_deps.shell.currentApp();
    if (previous)
        log::info(QStringLiteral("the palette still has the focus: the target stays %1")
                      .arg(previous->name().value_or(QString())));
    return previous;
}

void CommandPalette::targetFound(uint64_t serial, const AXAppPtr &next, bool force)
{
    if (serial != m_showSerial)
        return;
    m_targetPending = false;
    const bool shownAlready = m_deps.panel.isVisible();
    if (!prepareForShow(next, force))
        return;
    if (shownAlready)
        m_deps.panel.updateUI();
    else
        showPanel(nullptr);
}

bool CommandPalette::prepareForShow(const AXAppPtr &next, bool force)
{
    if (!next || !next->name() || next->name()->isEmpty()) {
        log::error(QStringLiteral("cannot get nextApp, nextApp is %1").arg(next ? QStringLiteral("non-nil") : QStringLiteral("nil")));
        return false;
    }
    log::info(QStringLiteral("get nextApp %1").arg(*next->name()));
    // Only the name is kept of the previous application object, so it goes once the shell holds the next.
    const std::optional<QString> previousName =
        m_deps.shell.currentApp() ? m_deps.shell.currentApp()->name() : std::nullopt;
    const bool same = previousName && previousName == next->name();
    if (!same)
        m_deps.menus->resetState();
    bool needsRefresh = !same;
    m_deps.shell.setCurrentApp(next);
    m_deps.menus->setWatcher(weak_from_this());

    const std::optional<QString> bundle = next->bundleIdentifier();
    const std::optional<AppRule> rule =
        bundle ? std::optional(m_deps.rules.ruleForApp(*bundle, next->appName().value_or(QString()))) : std::nullopt;
    bool allow = rule == AppRule::Allow;
    if (rule == AppRule::Disabled) {
        if (!force) {
            bypassHotkey(std::nullopt);
            return false;
        }
        allow = true;
        needsRefresh = needsRefresh || !next->isLoaded();
    }
    const bool hideIcon = settings::hideAppIcon(m_deps.settings) || next->icon().isEmpty();
    m_deps.panel.setAppIcon(hideIcon ? std::nullopt : std::optional<QString>(next->icon()));
    if (needsRefresh)
        m_deps.panel.refreshApp(next);
    m_deps.menus->loadFromApp(next, false);
    return force || allow;
}

bool CommandPalette::isCurrent(const DataProvider *provider) const
{
    return !provider || provider == m_deps.dataSource.provider();
}

void CommandPalette::onShow(DataProvider &provider) { showPanel(&provider); }

void CommandPalette::onBypass(DataProvider &provider)
{
    if (isCurrent(&provider))
        bypassHotkey(std::nullopt);
}

void CommandPalette::onUpdate(DataProvider &)
{
    if (onMainThread()) {
        m_deps.panel.updateUI();
        return;
    }
    const std::weak_ptr<CommandPalette> weak = weak_from_this();
    m_deps.dispatcher.toMain([weak] {
        if (const auto self = weak.lock())
            self->m_deps.panel.updateUI();
    });
}

void CommandPalette::showPanel(const DataProvider *provider)
{
    if (!isCurrent(provider))
        return;
    PanelPort &panel = m_deps.panel;
    const std::optional<QRect> frame = panel.windowFrame();
    const std::optional<QRect> mainScreen = panel.mainScreenFrame();
    const std::optional<QRect> screen = panel.windowScreenFrame();
    if (frame && mainScreen && screen != mainScreen)
        panel.moveWindow(calcFrame(*frame, *mainScreen));
    // With the rows the panel opens with, for the journeys and bench/palette_latency.sh.
    DataProvider *current = m_deps.dataSource.provider();
    log::debug(QStringLiteral("panel show requested with %1 rows").arg(current ? current->numberOfRows() : 0));
    panel.showPanel();
    reportTiming();
}

QPoint CommandPalette::calcFrame(const QRect &window, const QRect &screen) const
{
    const int rows = DataSource::visibleRowLimit(m_deps.dataSource.mode(), m_deps.settings);
    const int height = m_deps.panel.listHeight(rows);
    const double x = screen.x() + (screen.width() - window.width()) * 0.5;
    const double y = screen.y() + (screen.height() - height) * 0.5;
    return QPoint(qRound(x), qRound(y));
}

void CommandPalette::reportTiming()
{
    const std::chrono::nanoseconds elapsed = now() - m_launchStartTimestamp;
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    log::info(QStringLiteral("%1 after %2 ms").arg(QStringLiteral("show window")).arg(ms));
    if (ms <= kSlowShowMs)
        return;
    const AXAppPtr app = m_deps.shell.currentApp();
    const QString bundle = app ? app->bundleIdentifier().value_or(QStringLiteral("undefined")) : QStringLiteral("undefined");
    const int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    log::info(QStringLiteral("usage event slow: desc=show-%1 delay=%2").arg(bundle).arg(seconds));
}

void CommandPalette::bypassHotkey(std::optional<int32_t> pid)
{
    const AXAppPtr current = m_deps.shell.currentApp();
    if (!pid && !current)
        return;
    const std::optional<Shortcut> hotkey = getHotKey();
    if (!hotkey)
        return;
    // The target's own command with this shortcut runs through accessibility instead of a synthetic key.
    // Not for a given process: that is the palette itself, and the row belongs to another application.
    if (!pid) {
        const MenuItemDataPtr row = m_deps.menus->shortcutRow(hotkey->description());
        if (row && m_deps.menus->ref()) {
            row->apply();
            return;
        }
    }
    post(pid ? *pid : current->pid(), *hotkey);
}

void CommandPalette::post(int32_t pid, const Shortcut &shortcut)
{
    if (!m_deps.keyPoster || pid <= 0)
        return;
    if (!m_deps.keyPoster->post(pid, shortcut))
        log::error(QStringLiteral("cannot pass %1 on to process %2").arg(shortcut.description()).arg(pid));
}

void CommandPalette::showOptions()
{
    showPanel(nullptr);
    m_deps.panel.switchMode(PanelMode::SelfOptions);
}

void CommandPalette::showThemes()
{
    showOptions();
    const MenuItemDataPtr theme = m_deps.options ? m_deps.options->theme() : nullptr;
    if (!theme)
        return;
    if (theme->expands()) {
        m_deps.panel.expandRow(theme);
    } else {
        m_deps.panel.exitPanel();
        theme->apply();
    }
}

} // namespace tavolin
