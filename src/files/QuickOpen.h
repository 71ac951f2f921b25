#pragma once

#include "accessibility/AXApp.h"
#include "files/FileDataProvider.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

namespace tavolin {

class HotkeyBinder;
class KeyPoster;
class PanelPort;
class SettingsDomain;
class ShellPort;

// What quick open works with. Every pointer is required, is not owned, and must outlive the QuickOpen.
struct QuickOpenPorts
{
    SettingsDomain *settings = nullptr;
    HotkeyBinder *binder = nullptr;
    PanelPort *panel = nullptr;
    ShellPort *shell = nullptr;
    KeyPoster *keyPoster = nullptr;
    FileDataProvider *provider = nullptr;
    // Where work is queued.
    Dispatcher *dispatcher = nullptr;
    // How the focused application is found and read.
    std::shared_ptr<ElementSource> elements;
    AXAppHooks hooks;
    // Reloads the panel's list from the provider without searching again (a search would restart the
    // sources that are delivering). Empty: PanelPort::updateUI is not a substitute, so nothing is redrawn.
    std::function<void()> reloadList;
    // Records whether the current show was forced (the shell's flag read by AXAppHooks::triggeredByForce).
    std::function<void(bool forced)> setTriggeredByForce;
};

// The quick-open mode's controller: its hot key ("open_shortcut", bound only while the setting "quickOpen"
// is true) shows the panel in PanelMode::QuickOpen over the focused application's files, or hides it when
// it is showing; rows arriving later redraw the list.
//
// Threads: main thread, except onUpdate(), which hops there when called elsewhere.
class QuickOpen : public QObject, public FileDataProviderWatcher
{
    Q_OBJECT
public:
    explicit QuickOpen(QuickOpenPorts ports, QObject *parent = nullptr);
    ~QuickOpen() override;

    // Whether the hot key is bound (follows the setting "quickOpen").
    bool enabled() const { return m_enabled; }
    // The application whose files were last shown; null before the first successful show.
    const AXAppPtr &curApp() const { return m_curApp; }

    // Shows the panel over the focused application's files, or, when the panel is visible, hides it and
    // hands the hot key on to the focused application (not when `force`, nor before any successful show).
    void show(bool force);

    // FileDataProviderWatcher
    void onUpdate(DataProvider *provider) override;

private:
    bool prepareForShow();
    void onShow();
    void bindShortcut();
    void setEnabled(bool enabled);
    void onSettingChanged(const QString &key);
    void resendHotKey(int32_t pid);
    int32_t frontmostPid() const;

    QuickOpenPorts m_ports;
    bool m_enabled = false;
    QElapsedTimer m_launchStart;
    AXAppPtr m_curApp;
};

} // namespace tavolin
