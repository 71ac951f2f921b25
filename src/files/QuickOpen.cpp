#include "files/QuickOpen.h"

#include "common/Dispatcher.h"
#include "common/HotkeyBinder.h"
#include "common/KeyCodeHelper.h"
#include "common/Log.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "files/QuickOpenConfig.h"
#include "palette/KeyPoster.h"
#include "palette/PanelMode.h"
#include "palette/PanelPort.h"
#include "palette/ShellPort.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace tavolin {
namespace {

const QString kOpenShortcutKey = QString(settings::kOpenShortcut);

bool portsComplete(const QuickOpenPorts &ports)
{
    return ports.settings && ports.binder && ports.panel && ports.shell && ports.keyPoster && ports.provider
           && ports.elements;
}

} // namespace

QuickOpen::QuickOpen(QuickOpenPorts ports, QObject *parent)
    : QObject(parent), m_ports(std::move(ports))
{
    m_launchStart.start();
    if (!portsComplete(m_ports)) {
        log::error(QStringLiteral("quick open is missing a port and stays off"));
        return;
    }
    m_ports.provider->watcher = this;
    connect(m_ports.settings, &SettingsDomain::valueChanged, this, &QuickOpen::onSettingChanged);
    setEnabled(m_ports.settings->boolValue(QString(settings::kQuickOpen), settings::kDefaultFlag));
}

QuickOpen::~QuickOpen()
{
    if (!portsComplete(m_ports))
        return;
    if (m_ports.provider->watcher == this)
        m_ports.provider->watcher = nullptr;
    if (m_enabled)
        m_ports.binder->unbind(kOpenShortcutKey);
}

void QuickOpen::onSettingChanged(const QString &key)
{
    if (key == settings::kQuickOpen)
        setEnabled(m_ports.settings->boolValue(key, settings::kDefaultFlag));
}

void QuickOpen::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        bindShortcut();
    else
        m_ports.binder->unbind(kOpenShortcutKey);
}

void QuickOpen::bindShortcut()
{
    // The default is written only when the key was never set, so the preferences program shows what is
    // bound and a combination the user chose is kept.
    if (!m_ports.settings->contains(kOpenShortcutKey))
        m_ports.settings->setValue(kOpenShortcutKey, KeyCodeHelper::serializeShortcut(QuickOpenConfig::defaultHotkey()));
    // A failure is reported by the binder (its status, signal and log).
    QPointer<QuickOpen> self(this);
    m_ports.binder->bindShortcutWithDefaultsKey(kOpenShortcutKey, [self] {
        if (self)
            self->show(false);
    });
}

void QuickOpen::show(bool force)
{
    if (!portsComplete(m_ports))
        return;
    m_launchStart.restart();
    if (m_ports.setTriggeredByForce)
        m_ports.setTriggeredByForce(force);
    log::debug(QStringLiteral("show force? %1").arg(force ? QStringLiteral("true") : QStringLiteral("false")));

    if (m_ports.shell->isWelcomeWindowFocused()) {
        resendHotKey(int32_t(QCoreApplication::applicationPid()));
        return;
    }
    if (m_ports.panel->isVisible()) {
        m_ports.panel->close();
        if (!force && m_curApp)
            resendHotKey(frontmostPid());
        return;
    }
    m_ports.panel->selectRow(0);
    if (!prepareForShow())
        return;
    onShow();
    log::debug(QStringLiteral("show window after %1 ms").arg(m_launchStart.elapsed()));
}

bool QuickOpen::prepareForShow()
{
    if (!m_ports.elements->isProcessTrusted()) {
        m_ports.shell->showRequestAccessibilityPanel();
        return false;
    }
    AXAppPtr app = AXApp::currentApp(m_ports.elements, *m_ports.dispatcher, m_ports.hooks);
    if (!app || !app->name() || app->name()->isEmpty()) {
        log::error(QStringLiteral("cannot get nextApp"));
        return false;
    }
    m_curApp = std::move(app);
    m_ports.provider->loadFromApp(m_curApp);
    return true;
}

void QuickOpen::onShow()
{
    // The panel's updateUI() runs the provider's search for the input text, which starts the sources.
    m_ports.panel->switchMode(PanelMode::QuickOpen);
    m_ports.panel->showPanel();
    m_ports.panel->updateUI();
}

void QuickOpen::onUpdate(DataProvider *)
{
    if (QThread::currentThread() != thread()) {
        QPointer<QuickOpen> self(this);
        m_ports.dispatcher->toMain([self] {
            if (self)
                self->onUpdate(nullptr);
        });
        return;
    }
    if (m_ports.reloadList)
        m_ports.reloadList();
}

void QuickOpen::resendHotKey(int32_t pid)
{
    const std::optional<Shortcut> hotKey = QuickOpenConfig::getHotKey(m_ports.binder);
    if (!hotKey || pid <= 0)
        return;
    if (!m_ports.keyPoster->post(pid, *hotKey))
        log::info(QStringLiteral("could not hand the quick open key to process %1").arg(pid));
}

int32_t QuickOpen::frontmostPid() const
{
    const int32_t own = int32_t(QCoreApplication::applicationPid());
    AXValue value;
    ElementSource &source = *m_ports.elements;
    if (source.copyAttributeValue(source.systemWideElement(), AXAttribute::FocusedApplication, value)
        == AXError::Success) {
        int32_t pid = 0;
        if (const ElementRef *focused = std::get_if<ElementRef>(&value);
            focused && source.pid(*focused, pid) == AXError::Success && pid > 0 && pid != own)
            return pid;
    }
    // The panel may still hold the focus while it closes: the application under it is the one shown.
    return m_curApp ? m_curApp->pid() : 0;
}

} // namespace tavolin
