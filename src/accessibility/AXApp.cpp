#include "accessibility/AXApp.h"

#include "accessibility/AXUtils.h"
#include "common/Dispatcher.h"
#include "common/Log.h"
#include "common/Mutex.h"

#include <chrono>
#include <cstdio>

namespace tavolin {
namespace {

// Deliveries running on this thread, so setWatcher() called from inside a callback does not wait for itself.
thread_local int t_deliveryDepth = 0;

// "indesign" applications answer badly to many reads at once: their menus start a third of a second apart.
std::chrono::milliseconds spreadDelay(const std::optional<QString> &name, int index)
{
    if (!name || !name->toLower().contains(QLatin1String("indesign")))
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds((index - 1) * 1000 / 3);
}

} // namespace

// One reading of the menus. A second loadMenus() replaces it; work of the earlier one then does nothing.
struct AXApp::Load
{
    AXMenuPtr menu;
    int parseCounter = 0; // main thread only
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Holds the current watcher for one callback and counts it as in flight, so setWatcher() can wait for it.
// Empty (no watcher) when the watcher was dropped or `load` is no longer the current reading.
class AXApp::Delivery
{
public:
    Delivery(AXApp &app, const Load *load) : m_app(app)
    {
        MutexLocker lock(app.m_mutex);
        if (load && app.m_load.get() != load)
            return;
        m_watcher = app.m_watcher.lock();
        if (!m_watcher)
            return;
        ++app.m_deliveriesInFlight;
        ++t_deliveryDepth;
    }
    ~Delivery()
    {
        if (!m_watcher)
            return;
        m_watcher.reset();
        --t_deliveryDepth;
        MutexLocker lock(m_app.m_mutex);
        if (--m_app.m_deliveriesInFlight == 0)
            m_app.m_deliveriesDone.notifyAll();
    }
    Delivery(const Delivery &) = delete;
    Delivery &operator=(const Delivery &) = delete;

    AxAppWatcher *operator->() const { return m_watcher.get(); }
    explicit operator bool() const { return m_watcher != nullptr; }

private:
    AXApp &m_app;
    std::shared_ptr<AxAppWatcher> m_watcher;
};

AXApp::AXApp(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher, AXAppHooks hooks, ElementRef ref)
    : m_source(std::move(source)), m_dispatcher(dispatcher), m_hooks(std::move(hooks)), m_ref(std::move(ref))
{
    if (m_ref) {
        int32_t pid = 0;
        if (m_source->pid(m_ref, pid) == AXError::Success)
            m_pid = pid;
        AXError titleRead = AXError::Success;
        m_name = AXUtils::getAny<QString>(*m_source, AXAttribute::Title, m_ref, &titleRead);
        if (titleRead == AXError::CannotComplete || !m_source->applicationAnswers(m_ref))
            m_answering.store(false);
        if (m_pid > 0)
            m_runningApplication = m_source->runningApplication(m_pid);
    }
    if (m_runningApplication) {
        m_icon = m_runningApplication->iconName;
        m_appName = m_runningApplication->appName;
        // An application that does not answer still has a name for the panel and its history: the one its
        // desktop file gives, else its executable's.
        if (!isAnswering() && (!m_name || m_name->isEmpty()))
            m_name = m_runningApplication->name ? m_runningApplication->name : m_appName;
    }
    m_budget = std::make_shared<MenuReadBudget>(
        QStringLiteral("%1 (pid %2)").arg(m_name.value_or(m_appName.value_or(QStringLiteral("the application")))).arg(m_pid));
    auto context = std::make_shared<AXReadContext>();
    context->source = m_source;
    context->budget = m_budget;
    context->ignorableOption = m_hooks.ignorableOption;
    context->keepDisabled = m_hooks.keepDisabledItems;
    if (m_hooks.appKey) {
        context->appKey = m_hooks.appKey;
    } else {
        const QString own = m_appName.value_or(QString());
        context->appKey = [own] { return own; };
    }
    m_context = std::move(context);
}

AXApp::~AXApp() = default;

std::shared_ptr<AXApp> AXApp::create(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher,
                                     AXAppHooks hooks, ElementRef ref)
{
    if (!source)
        return nullptr;
    return std::shared_ptr<AXApp>(new AXApp(std::move(source), dispatcher, std::move(hooks), std::move(ref)));
}

std::shared_ptr<AXApp> AXApp::currentApp(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher,
                                         AXAppHooks hooks, bool *paletteFocused)
{
    if (paletteFocused)
        *paletteFocused = false;
    if (!source)
        return nullptr;
    const ElementRef systemWide = source->systemWideElement();
    source->setMessagingTimeout(systemWide, kMessagingTimeoutSeconds);
    AXError result = AXError::Success;
    const std::optional<ElementRef> focused =
        AXUtils::getAny<ElementRef>(*source, AXAttribute::FocusedApplication, systemWide, &result);
    if (!focused) {
        const QString line = QStringLiteral("Failed to get focused app, res = %1 , AXIsProcessTrusted =  %2\n")
                                 .arg(static_cast<int>(result))
                                 .arg(source->isProcessTrusted() ? QStringLiteral("true") : QStringLiteral("false"));
        std::fputs(line.toUtf8().constData(), stdout);
        std::fflush(stdout);
        return nullptr;
    }
    std::shared_ptr<AXApp> app = create(std::move(source), dispatcher, std::move(hooks), *focused);
    if (app->name() == QLatin1String(kPaletteName)) {
        if (paletteFocused)
            *paletteFocused = true;
        return nullptr;
    }
    return app;
}

std::optional<QString> AXApp::bundleIdentifier() const
{
    return m_runningApplication ? m_runningApplication->bundleIdentifier : std::nullopt;
}

std::optional<QString> AXApp::locale() const
{
    MutexLocker lock(m_mutex);
    return m_locale;
}

std::optional<QLocale> AXApp::localeContext() const
{
    const std::optional<QString> name = locale();
    if (!name)
        return std::nullopt;
    // "zh_CN.UTF-8@latin" → "zh_CN": QLocale knows language and territory only.
    QString bare = *name;
    bare.truncate(bare.indexOf(QLatin1Char('@')) < 0 ? bare.size() : bare.indexOf(QLatin1Char('@')));
    bare.truncate(bare.indexOf(QLatin1Char('.')) < 0 ? bare.size() : bare.indexOf(QLatin1Char('.')));
    return QLocale(bare);
}

MenuReadCuts AXApp::readCuts() const
{
    MenuReadCuts cuts = m_budget->cuts();
    if (m_ref)
        cuts |= m_source->menuReadCuts(m_ref);
    return cuts;
}

std::optional<bool> AXApp::shouldTrigger() const
{
    MutexLocker lock(m_mutex);
    return m_shouldTrigger;
}

AXMenuPtr AXApp::menu() const
{
    MutexLocker lock(m_mutex);
    return m_load ? m_load->menu : nullptr;
}

int AXApp::parseCounter() const
{
    MutexLocker lock(m_mutex);
    return m_load ? m_load->parseCounter : 0;
}

void AXApp::setWatcher(std::weak_ptr<AxAppWatcher> watcher)
{
    MutexLocker lock(m_mutex);
    m_watcher = std::move(watcher);
    if (t_deliveryDepth == 0) {
        while (m_deliveriesInFlight > 0)
            m_deliveriesDone.wait(m_mutex);
    }
}

bool AXApp::forced() const { return m_hooks.triggeredByForce && m_hooks.triggeredByForce(); }

bool AXApp::isCurrent(const Load &load) const
{
    MutexLocker lock(m_mutex);
    return m_load.get() == &load;
}

void AXApp::loadMenus(MenuLoad loadKind)
{
    if (!m_ref)
        return;
    auto load = std::make_shared<Load>();
    {
        MutexLocker lock(m_mutex);
        m_load = load;
    }
    m_budget->restart();
    // The menu bar comes from the application: read where the source reads (the background pool unless it
    // reads on the main thread only), so the main thread never waits for an application that hangs.
    std::weak_ptr<AXApp> weak = weak_from_this();
    Dispatcher::Work read = [weak, load] {
        std::shared_ptr<AXApp> self = weak.lock();
        if (!self || !self->isCurrent(*load))
            return;
        self->readMenuBar(*load);
        self->m_dispatcher.toMain([weak, load] {
            std::shared_ptr<AXApp> self = weak.lock();
            if (self && self->isCurrent(*load))
                self->menuBarRead(load);
        });
    };
    if (m_source->readMode() == ReadMode::MainThread)
        m_dispatcher.toMain(std::move(read));
    else
        m_dispatcher.toBackground(std::move(read));

    if (loadKind == MenuLoad::WithLanguage) {
        m_dispatcher.toBackground([weak] {
            if (std::shared_ptr<AXApp> self = weak.lock())
                self->loadLanguage();
        });
    }
}

// Reading thread. An application that runs into the time-out is read no further: it gets an empty bar (or
// what was read of it), so the panel can still list its history and extensions.
void AXApp::readMenuBar(Load &load)
{
    AXError error = AXError::Success;
    AXMenuPtr menu;
    const std::optional<ElementRef> menuBar =
        isAnswering() ? AXUtils::getAny<ElementRef>(*m_source, AXAttribute::MenuBar, m_ref, &error) : std::nullopt;
    if (menuBar) {
        menu = std::make_shared<AXMenu>();
        menu->readMenuItems(m_context, *menuBar, MenuLevel::TopLevel);
    }
    if (error == AXError::InvalidElement)
        m_budget->noteVanished();
    if (error == AXError::CannotComplete || !m_source->applicationAnswers(m_ref)) {
        m_answering.store(false);
        if (!menu)
            menu = std::make_shared<AXMenu>();
    }
    MutexLocker lock(m_mutex);
    load.menu = std::move(menu);
}

// Main thread, once the menu bar is read: the rule (or the forced call) decides, or the menus will.
void AXApp::menuBarRead(const std::shared_ptr<Load> &load)
{
    std::optional<bool> decision = false;
    if (load->menu) {
        decision = m_hooks.ruleForApp ? m_hooks.ruleForApp(bundleIdentifier(), appName()) : std::nullopt;
        if (forced())
            decision = true;
    }
    {
        MutexLocker lock(m_mutex);
        m_shouldTrigger = decision;
    }
    if (decision == true) {
        // Served: hand the menus over from the event loop, as the rows of an "allow" application always are.
        std::weak_ptr<AXApp> weak = weak_from_this();
        m_dispatcher.toMain([weak, load] {
            std::shared_ptr<AXApp> self = weak.lock();
            if (!self || !self->isCurrent(*load))
                return;
            if (Delivery watcher{*self, load.get()})
                watcher->onUpdate(load->menu);
            self->loadSubmenus(load);
        });
        return;
    }
    if (!decision) {
        if (Delivery watcher{*this, load.get()})
            watcher->onUpdate(load->menu);
        loadSubmenus(load);
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - load->start);
    log::debug(QStringLiteral("fetch axMenu cost %1 ms").arg(elapsed.count()));
}

// A source that reads on the main thread only has its first top-level menu read at once (it decides most
// trigger questions); the others are scheduled, and each one's end is counted down on the main thread. A
// source that reads in parallel may make a menu wait until the application has answered for all of it, so
// its menus are read in the background, one task after the other, in order: the main thread never waits,
// and the pool keeps threads for other work (the next show's focused application) between menus. A load
// that ends with nothing in the menus against the palette serves the application, however many menus it
// has.
void AXApp::loadSubmenus(const std::shared_ptr<Load> &load)
{
    const std::vector<AXMenuItemPtr> none;
    const std::vector<AXMenuItemPtr> &items = load->menu ? load->menu->items() : none;
    const int count = static_cast<int>(items.size());
    {
        MutexLocker lock(m_mutex);
        load->parseCounter = count;
    }
    if (items.empty()) {
        finishLoad(load);
        return;
    }
    if (m_source->readMode() == ReadMode::Parallel) {
        if (spreadDelay(m_name, count - 1).count() == 0) {
            readInOrder(load, 0);
        } else {
            for (int i = 0; i < count; ++i)
                scheduleTopLevel(load, i);
        }
        return;
    }
    int remaining = 0;
    {
        MutexLocker lock(m_mutex);
        remaining = --load->parseCounter;
    }
    items.front()->readSubmenu();
    std::vector<AXRowInfo> rows;
    if (Delivery watcher{*this, load.get()})
        rows = watcher->onUpdate(items.front(), 0);
    checkMenu(rows, 0);
    if (remaining == 0) {
        finishLoad(load);
        return;
    }
    for (int i = 1; i < count; ++i)
        scheduleTopLevel(load, i);
}

// Reads top-level menu `index` in the background, then queues the next one.
void AXApp::readInOrder(const std::shared_ptr<Load> &load, int index)
{
    std::weak_ptr<AXApp> weak = weak_from_this();
    m_dispatcher.toBackground([weak, load, index] {
        std::shared_ptr<AXApp> self = weak.lock();
        if (!self || !self->isCurrent(*load))
            return;
        self->readTopLevel(load, index);
        if (index + 1 < static_cast<int>(load->menu->items().size()))
            self->readInOrder(load, index + 1);
    });
}

// What the rows of top-level menu `index` tell about the palette's shortcut.
void AXApp::checkMenu(const std::vector<AXRowInfo> &rows, int index)
{
    if (index == 0 && hasApplicationMenu())
        applicationMenuCheck(rows);
    else if (!shouldTrigger())
        otherMenuCheck(rows, index);
}

void AXApp::scheduleTopLevel(const std::shared_ptr<Load> &load, int index)
{
    std::weak_ptr<AXApp> weak = weak_from_this();
    Dispatcher::Work work = [weak, load, index] {
        if (std::shared_ptr<AXApp> self = weak.lock())
            self->readTopLevel(load, index);
    };
    Dispatcher &dispatcher = m_dispatcher;
    const bool onMain = m_source->readMode() == ReadMode::MainThread;
    const std::chrono::milliseconds delay = spreadDelay(m_name, index);
    if (delay.count() > 0) {
        // afterDelay runs on the main thread; hop on to the pool from there when reading in parallel.
        dispatcher.afterDelay(delay, onMain ? std::move(work) : [pool = &dispatcher, work = std::move(work)]() mutable {
            pool->toBackground(std::move(work));
        });
    } else if (onMain) {
        dispatcher.toMain(std::move(work));
    } else {
        dispatcher.toBackground(std::move(work));
    }
}

void AXApp::readTopLevel(const std::shared_ptr<Load> &load, int index)
{
    if (!isCurrent(*load))
        return;
    const AXMenuItemPtr &item = load->menu->items()[static_cast<size_t>(index)];
    item->readSubmenu();
    // The source may have run into the time-out while this menu was read.
    if (!m_source->applicationAnswers(m_ref))
        m_answering.store(false);
    std::vector<AXRowInfo> rows;
    if (Delivery watcher{*this, load.get()})
        rows = watcher->onUpdate(item, index);
    checkMenu(rows, index);
    std::weak_ptr<AXApp> weak = weak_from_this();
    m_dispatcher.toMain([weak, load] {
        if (std::shared_ptr<AXApp> self = weak.lock())
            self->counterStep(load);
    });
}

void AXApp::counterStep(const std::shared_ptr<Load> &load)
{
    if (!isCurrent(*load))
        return;
    int remaining = 0;
    {
        MutexLocker lock(m_mutex);
        remaining = --load->parseCounter;
    }
    if (remaining != 0)
        return;
    finishLoad(load);
}

void AXApp::finishLoad(const std::shared_ptr<Load> &load)
{
    updateShouldTriggerIfUndecided(true);
    if (Delivery watcher{*this, load.get()})
        watcher->onLoadFinished();
}

// Menu bars that start with a system menu (not on Linux) have the application's own menu after it: the
// palette's shortcut there is a conflict whatever the rule says, unless the item is the palette's own.
bool AXApp::hasApplicationMenu() const { return m_source->menuBarStartsWithSystemMenu(); }

std::optional<AXRowInfo> AXApp::firstMatch(const std::vector<AXRowInfo> &rows) const
{
    const std::optional<QString> palette =
        m_hooks.paletteShortcutString ? m_hooks.paletteShortcutString() : std::nullopt;
    if (!palette)
        return std::nullopt;
    for (const AXRowInfo &row : rows) {
        if (row.shortcutText && *row.shortcutText == *palette) {
            log::debug(QStringLiteral("match menu item %1").arg(row.title));
            return row;
        }
    }
    return std::nullopt;
}

// The palette's shortcut in the application menu: when the item is the palette's own entry (its title names
// the palette), the application is safe to serve; any other item with that shortcut wants the key itself.
void AXApp::applicationMenuCheck(const std::vector<AXRowInfo> &rows)
{
    const std::optional<AXRowInfo> match = firstMatch(rows);
    if (!match)
        return;
    updateShouldTrigger(match->title.toLower().contains(QString::fromLatin1(kPaletteName).toLower()));
}

void AXApp::otherMenuCheck(const std::vector<AXRowInfo> &rows, int index)
{
    if (!firstMatch(rows))
        return;
    // In the application's first own menu (right after the application menu where there is one, else the
    // first of the bar, usually "File") the conflict is tolerated while the palette keeps its default
    // shortcut: the user has not chosen one to avoid it. Later menus always win.
    const int firstOwnMenu = hasApplicationMenu() ? 1 : 0;
    const bool value = index == firstOwnMenu && m_hooks.useDefaultHotKey && m_hooks.useDefaultHotKey();
    updateShouldTriggerIfUndecided(value);
}

void AXApp::updateShouldTrigger(bool value)
{
    // A forced call serves the application whatever its menus say.
    if (!value && forced())
        return;
    {
        MutexLocker lock(m_mutex);
        m_shouldTrigger = value;
    }
    announce(value);
}

// Two menus read in parallel may both find a conflict: only the first decides.
bool AXApp::updateShouldTriggerIfUndecided(bool value)
{
    if (!value && forced())
        return false;
    {
        MutexLocker lock(m_mutex);
        if (m_shouldTrigger)
            return false;
        m_shouldTrigger = value;
    }
    announce(value);
    return true;
}

void AXApp::announce(bool value)
{
    if (!forced()) {
        // Menus read only in part (the application stopped answering) prove nothing worth keeping.
        if (m_hooks.updateRuleForApp && isAnswering())
            m_hooks.updateRuleForApp(bundleIdentifier(), appName(), value);
        if (Delivery watcher{*this, nullptr})
            watcher->onShouldTriggerUpdate(value);
    }
    if (value)
        m_isLoaded.store(true);
}

void AXApp::loadLanguage()
{
    std::optional<QString> locale;
    if (m_runningApplication && m_runningApplication->bundleIdentifier) {
        const RunningApp &running = *m_runningApplication;
        log::debug(QStringLiteral("bunder url %1").arg(running.bundlePath.value_or(QStringLiteral("nil"))));
        if (running.preferredLanguage && !running.preferredLanguage->isEmpty())
            locale = running.preferredLanguage;
        LocaleBundle bundle;
        bundle.identifier = *running.bundleIdentifier;
        bundle.localeDirs = running.localeDirs;
        bundle.textDomains = running.textDomains;
        if (bundle.textDomains.isEmpty() && running.appName)
            bundle.textDomains << *running.appName;
        if (m_hooks.buildTransMap)
            m_hooks.buildTransMap(bundle, locale);
        else
            LocaleUtils::buildTransMap(bundle, locale);
    }
    MutexLocker lock(m_mutex);
    m_locale = locale;
}

} // namespace tavolin
