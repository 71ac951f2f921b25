#include "ui/shell/AppDelegate.h"

#include "common/Autostart.h"
#include "common/HotkeyBinder.h"
#include "common/KeyCodeHelper.h"
#include "common/Log.h"
#include "common/Paths.h"
#include "common/PaletteRulesManager.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"
#include "common/WaylandSession.h"
#include "extensions/PluginDataProvider.h"
#include "files/FileDataProvider.h"
#include "files/FilesJob.h"
#include "palette/CommandPalette.h"
#include "palette/DataSource.h"
#include "palette/MenuDataProvider.h"
#include "palette/MenuHistory.h"
#include "palette/MenuItemData.h"
#include "palette/OptionDataProvider.h"
#include "palette/TavolinDataProvider.h"
#include "palette/ThemeManager.h"
#include "platform/linux/AccessibilityStatus.h"
#include "platform/linux/AtspiElementSource.h"
#include "platform/linux/AtspiThread.h"
#include "platform/linux/DesktopWorkspace.h"
#include "platform/linux/WaylandSessionGrabber.h"
#include "platform/linux/X11HotkeyGrabber.h"
#include "platform/linux/X11KeyPoster.h"
#include "session/InstanceChannel.h"
#include "ui/panel/PanelWindowController.h"
#include "ui/shell/DBusNotifier.h"
#include "ui/shell/FocusReturn.h"
#include "ui/shell/PermissionWindow.h"
#include "ui/shell/PortalHotkeys.h"
#include "ui/shell/QuickOpenShell.h"
#include "ui/shell/UpdateDialog.h"
#include "ui/shell/UpdateHelper.h"
#include "ui/shell/WelcomeWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace tavolin {
namespace {

const QString kYes = QStringLiteral("YES");
const QString kNo = QStringLiteral("NO");

// The KeyPoster seam over the X11 poster.
class X11KeyPosterSeam final : public KeyPoster
{
public:
    explicit X11KeyPosterSeam(X11KeyPoster &poster) : m_poster(poster) {}
    bool post(int32_t pid, const Shortcut &shortcut) override
    {
        const Result<void> posted = m_poster.post(pid, shortcut);
        if (posted.isOk())
            return true; // an X application under Xwayland takes keys as on X11
        log::info(QStringLiteral("keys: %1 not passed on to process %2: %3")
                      .arg(shortcut.description())
                      .arg(pid)
                      .arg(posted.reason()));
        if (isWaylandSession() && !m_toldWayland) {
            m_toldWayland = true;
            log::error(QStringLiteral("keys: a Wayland session lets no program type into another's window, so "
                                      "%1 cannot be passed on to process %2; it works where the application "
                                      "has a menu item with that shortcut, which is pressed instead")
                           .arg(shortcut.description())
                           .arg(pid));
        }
        return false;
    }

private:
    X11KeyPoster &m_poster;
    bool m_toldWayland = false; // said once per run
};

} // namespace

AppDelegate::AppDelegate(SettingsDomain &settings, Dispatcher &dispatcher, QObject *parent)
    : QObject(parent), m_settings(settings), m_dispatcher(dispatcher)
{
}

AppDelegate::~AppDelegate()
{
    MenuItemData::setPressFailedSink({}); // it tells the notifier, which goes with this object
    // The controllers refer to everything below them: they go first.
    m_quickOpen.reset();
    m_updates.reset();
    m_commandPalette.reset();
    MenuItemData::setPerformedSink({});
    MenuItemData::setIgnorableOptionLookup({}); // it asks the rules manager, which goes with this object
    TavolinDataProvider::setLocaleContextSource({});
    m_dataSource.setProviderFactory(PanelMode::CommandPalette, {});
    m_dataSource.setProviderFactory(PanelMode::SelfOptions, {});
}

AppDelegate::Start AppDelegate::start(bool show)
{
    m_instance = std::make_unique<InstanceChannel>(
        InstanceChannel::socketPathFor(QString::fromLatin1(InstanceChannel::kPaletteProgram)), kMaxRequestBytes);
    switch (m_instance->handOverOrListen(show ? kShow : kOpenedAgain)) {
    case InstanceChannel::Start::HandedOver:
        return Start::HandedOver;
    case InstanceChannel::Start::NoAnswer:
        return Start::NoAnswer;
    case InstanceChannel::Start::Listening:
    case InstanceChannel::Start::NoChannel:
        break;
    }
    connect(m_instance.get(), &InstanceChannel::lineReceived, this, &AppDelegate::onInstanceRequest);
    createControllers();
    startPortalHotkeys();
    didFinishLaunching();
    if (show)
        QTimer::singleShot(0, this, [this] { m_commandPalette->show(true); });
    return Start::Running;
}

// In a Wayland session the desktop's GlobalShortcuts portal, where there is one, stands in for the global
// grab; its activations do what `tavolin --show` and quick open's own shortcut do.
void AppDelegate::startPortalHotkeys()
{
    QPointer<AppDelegate> self(this);
    PortalHotkeys::Actions actions;
    actions.showPalette = [self] {
        if (self && self->m_commandPalette) {
            self->m_commandPalette->show(true);
            log::info(QStringLiteral("usage event trigger: reason=portal"));
        }
    };
    actions.quickOpen = [self] {
        if (self && self->m_quickOpen && self->m_quickOpen->controller().enabled())
            self->m_quickOpen->controller().show(false);
    };
    auto *portal = new PortalHotkeys(m_settings, std::move(actions), kPortalCallTimeoutMs, kPortalBindTimeoutMs, this);
    portal->start();
}

void AppDelegate::onInstanceRequest(const QByteArray &request)
{
    if (request == kShow) {
        if (m_commandPalette)
            m_commandPalette->show(true);
    } else if (request == kOpenedAgain) {
        onReopen();
    } else if (request == InstanceChannel::kQuit) {
        terminate();
    } else {
        log::error(QStringLiteral("single instance: dropped request %1").arg(QString::fromUtf8(request.left(16))));
    }
}

void AppDelegate::createControllers()
{
    m_themes = std::make_unique<ThemeManager>(m_settings);
    ThemeManager &themes = *m_themes;
    m_panel = std::make_unique<PanelWindowController>(m_dataSource, m_settings, themes);
    m_notifier = std::make_unique<DBusNotifier>();
    m_notifier->setOnResponse([this] { lockReopenHandler(); });
    MenuItemData::setPressFailedSink([notifier = m_notifier.get()](const QString &title, const QString &why) {
        notifier->showError(title, why, Notifier::ErrorKind::Command);
    });
    m_extensions = std::make_unique<PluginDataProvider>(*m_notifier);
    m_grabber = std::make_unique<X11HotkeyGrabber>();
    if (isWaylandSession())
        m_waylandGrabber = std::make_unique<WaylandSessionGrabber>(*m_grabber);
    m_binder = std::make_unique<HotkeyBinder>(m_settings, m_waylandGrabber ? *m_waylandGrabber : *m_grabber);
    m_x11Poster = std::make_unique<X11KeyPoster>();
    m_keyPoster = std::make_unique<X11KeyPosterSeam>(*m_x11Poster);
    m_elements = std::make_shared<AtspiElementSource>(std::make_shared<AtspiThread>());
    m_options = std::make_unique<OptionDataProvider>(*this, themes, m_dispatcher, QStringLiteral(TAVOLIN_VERSION),
                                                     QStringLiteral("system-search"));
    m_rules = std::make_unique<PaletteRulesManager>(m_settings, m_binder.get());
    MenuItemData::setIgnorableOptionLookup([rules = m_rules.get()](const QString &title, const QString &appKey) {
        const std::optional<int> option = rules->getIgnorableOption(title, appKey);
        return option ? std::optional<int64_t>(*option) : std::nullopt;
    });
    m_history = std::make_unique<MenuHistory>(m_dataSource, m_dispatcher);
    MenuDataProvider::Context context;
    context.history = m_history.get();
    context.extensions = m_extensions.get();
    context.dataSource = &m_dataSource;
    context.rules = m_rules.get();
    context.dispatcher = &m_dispatcher;
    m_menus = MenuDataProvider::create(std::move(context));
    wireHistoryAndLocale();
    m_dataSource.setProviderFactory(PanelMode::CommandPalette, [menus = m_menus]() -> DataProvider & { return *menus; });
    OptionDataProvider *options = m_options.get();
    m_dataSource.setProviderFactory(PanelMode::SelfOptions, [options]() -> DataProvider & { return *options; });

    m_focus = std::make_unique<FocusReturn>();
    m_panel->setHooks(panelHooks());

    CommandPalette::Deps deps{m_settings,
                              *m_binder,
                              *m_rules,
                              m_elements,
                              *m_panel,
                              *this,
                              m_menus,
                              m_keyPoster.get(),
                              m_options.get(),
                              m_extensions.get(),
                              m_dataSource,
                              m_dispatcher,
                              m_notifier.get(),
                              {},
                              {}};
    m_commandPalette = CommandPalette::create(std::move(deps));
    createQuickOpen();
    createUpdates();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::willTerminate);

    connect(&m_settings, &SettingsDomain::valueChanged, this, [this](const QString &key) {
        if (key == settings::kStartOnLogin)
            enableStartOnLogin(settings::startOnLogin(m_settings));
    });
}

// Rows reach these two through process-wide hooks whose defaults do nothing: a performed menu command
// would never enter the history, and a Turkish application's titles would be folded the English way.
void AppDelegate::wireHistoryAndLocale()
{
    m_menus->recordPerformedRows();
    // Extensions are told the document the way quick open finds its folder.
    std::shared_ptr<ElementSource> elements = m_elements;
    m_menus->setDocumentSource([elements](const ElementRef &app) {
        const std::optional<QUrl> document = FilesJob::loadFocusedFile(*elements, app);
        return document ? document->toLocalFile() : QString();
    });
    QPointer<AppDelegate> self(this);
    TavolinDataProvider::setLocaleContextSource([self]() -> std::optional<QLocale> {
        if (!self || !self->m_curApp)
            return std::nullopt;
        return self->m_curApp->localeContext();
    });
}

PanelHooks AppDelegate::panelHooks()
{
    OptionDataProvider *options = m_options.get();
    PanelHooks hooks;
    hooks.optionHaveBack = [options] { return options->haveBack; };
    hooks.setOptionHaveBack = [options](bool back) { options->haveBack = back; };
    hooks.accessibilityTrusted = [] { return AccessibilityStatus::isTrusted(); };
    hooks.hideApplication = [this] {
        m_focus->restore();
        if (m_commandPalette)
            m_commandPalette->panelClosed();
    };
    hooks.mainScreenFrame = [this] { return m_focus->screenFrame(); };
    hooks.hasUpdate = [this] { return m_updates && m_updates->hasUpdate(); };
    hooks.askNow = [this] { return m_updates && m_updates->askNow(); };
    hooks.startUpdateCheck = [this] {
        if (!m_updates)
            return;
        m_updates->clearAskNow();
        m_updates->checkInteractively();
    };
    return hooks;
}

void AppDelegate::createQuickOpen()
{
    m_workspace = std::make_unique<DesktopWorkspace>();
    auto files = std::make_shared<FileDataProvider>(m_elements, m_dataSource, m_dispatcher, m_workspace.get());
    QuickOpenShell::Deps deps{m_settings,
                              *m_binder,
                              *m_panel,
                              *this,
                              *m_keyPoster,
                              std::move(files),
                              m_elements,
                              m_commandPalette->appHooks(),
                              m_dataSource,
                              m_dispatcher,
                              [this] { m_focus->remember(); }};
    m_quickOpen = std::make_unique<QuickOpenShell>(std::move(deps));
}

void AppDelegate::createUpdates()
{
    m_updatePrompt = std::make_unique<DialogUpdatePrompt>();
    m_updates = std::make_unique<UpdateHelper>(m_settings, *m_updatePrompt, QStringLiteral(TAVOLIN_VERSION),
                                               m_options.get());
    QPointer<UpdateHelper> updates = m_updates.get();
    QTimer::singleShot(kUpdateStartDelayMs, this, [updates] {
        if (updates)
            updates->run();
    });
}

void AppDelegate::willTerminate()
{
    // The preferences program of this session only: other sessions' programs are not ours to end.
    const InstanceChannel preferences(
        InstanceChannel::socketPathFor(QString::fromLatin1(InstanceChannel::kPreferencesProgram)), 0);
    if (preferences.send(InstanceChannel::kQuit))
        log::info(QStringLiteral("asked the preferences program to quit"));
}

void AppDelegate::setCurrentApp(AXAppPtr app)
{
    // Called as the palette picks its target, before the panel takes the focus.
    if (m_focus)
        m_focus->remember();
    m_curApp = std::move(app);
}

void AppDelegate::didFinishLaunching()
{
    bool trusted = AccessibilityStatus::isTrusted();
    // The switch is the desktop's, not a grant of the user's: turned on here, the window only asks when
    // that did not take. A bus that does not answer is not asked twice.
    if (!trusted && AccessibilityStatus::isEnabled() == false && AccessibilityStatus::setEnabled(true)) {
        log::info(QStringLiteral("accessibility switched on at start; Qt applications started before must be "
                                 "restarted to be read"));
        trusted = AccessibilityStatus::isTrusted();
    }
    log::info(QStringLiteral("AXIsProcessTrusted=%1").arg(trusted ? kYes : kNo));
    if (!trusted)
        showRequestAccessibilityPanel();
    showWelcomeScreenOnFirstTime();
    reconcileStartOnLogin();
    m_extensions->installDefaultPlugins();
    tellIfDataCannotBeSaved();
}

// A data folder on a full or read-only disk: the stores were read from copies, so extensions and history
// stay as they were, and nothing new is kept. Told once a run, at start, where a person sees it.
void AppDelegate::tellIfDataCannotBeSaved()
{
    const Store *history = m_history->store.db.get();
    if (!m_extensions->isStoreReadOnly() && !(history && history->isReadOnly()))
        return;
    log::error(QStringLiteral("data folder %1 cannot be written: extensions and history are used as they were, "
                              "and changes are not kept")
                   .arg(paths::dataDir()));
    m_notifier->showError(QCoreApplication::translate("tavolin::AppDelegate", "Data folder"),
                          QCoreApplication::translate("tavolin::AppDelegate",
                                                      "The folder %1 cannot be written: the disk may be full or "
                                                      "read-only. Extensions and history are used as they were; "
                                                      "changes made now are not kept.")
                              .arg(paths::dataDir()),
                          Notifier::ErrorKind::Command);
}

void AppDelegate::showWelcomeScreenOnFirstTime()
{
    if (settings::skipWelcome(m_settings))
        return;
    m_commandPalette->setEnabled(false);
    auto *welcome = new WelcomeWindow(m_settings);
    m_welcome = welcome;
    welcome->show();
    m_settings.setValue(settings::kSkipWelcome, true);
    QPointer<AppDelegate> self(this);
    QTimer::singleShot(kWelcomeGraceMs, this, [self] {
        if (self && self->m_commandPalette)
            self->m_commandPalette->setEnabled(true);
    });
    welcome->raise();
    welcome->activateWindow();
}

void AppDelegate::reconcileStartOnLogin()
{
    // Written again when wanted, so the entry names this program even after it moved.
    const bool wanted = settings::startOnLogin(m_settings);
    if (wanted || autostart::isEnabled())
        enableStartOnLogin(wanted);
}

void AppDelegate::enableStartOnLogin(bool enabled)
{
    lockReopenHandler();
    const bool done = autostart::setEnabled(enabled, QCoreApplication::applicationFilePath());
    log::info(QStringLiteral("SMLoginItemSetEnabled to %1 return %2").arg(enabled ? kYes : kNo, done ? kYes : kNo));
}

void AppDelegate::lockReopenHandler()
{
    m_preventReopen = true;
    if (m_reopenTimer)
        m_reopenTimer->stop();
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        m_preventReopen = false;
        timer->deleteLater();
    });
    m_reopenTimer = timer;
    timer->start(kReopenLockMs);
}

void AppDelegate::onReopen()
{
    if (m_preventReopen) {
        m_preventReopen = false;
        return;
    }
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    m_settings.setValue(settings::kCommand, QJsonArray{QString(command::kShowOption), now});
}

bool AppDelegate::isWelcomeWindowFocused() const
{
    return m_welcome && QApplication::activeWindow() == m_welcome;
}

void AppDelegate::showRequestAccessibilityPanel()
{
    if (m_permission || m_welcome)
        return;
    auto *window = new PermissionWindow([] { return AccessibilityStatus::promptForTrust(); });
    m_permission = window;
    window->show();
    window->raise();
    window->activateWindow();
}

QString AppDelegate::preferencesProgram() const
{
    const QString beside = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath()
        + QStringLiteral("/tavolin-preferences");
    if (QFileInfo(beside).isExecutable())
        return beside;
    // A build tree keeps the two programs in sibling folders.
    const QString sibling = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath()
        + QStringLiteral("/../../prefs/tavolin-preferences");
    if (QFileInfo(sibling).isExecutable())
        return QFileInfo(sibling).canonicalFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("tavolin-preferences"));
}

bool AppDelegate::hasPreferencesProgram() const
{
    return !preferencesProgram().isEmpty();
}

bool AppDelegate::openUrl(const QString &url)
{
    const QString program = preferencesProgram();
    if (url.startsWith(QLatin1String("tavolin-preferences:")) && !program.isEmpty())
        return QProcess::startDetached(program, {url});
    const QUrl parsed(url);
    return parsed.isValid() && QDesktopServices::openUrl(parsed);
}

void AppDelegate::openPreferences()
{
    const QString program = preferencesProgram();
    if (!program.isEmpty())
        QProcess::startDetached(program, {});
}

void AppDelegate::checkForUpdates()
{
    if (m_updates)
        m_updates->checkInteractively();
}

void AppDelegate::terminate()
{
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

} // namespace tavolin
