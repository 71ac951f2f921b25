#pragma once

#include "accessibility/AXApp.h"
#include "files/QuickOpen.h"

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

namespace tavolin {

class DataSource;
class Dispatcher;
class FileDataProvider;
class HotkeyBinder;
class KeyPoster;
class PanelWindowController;
class SettingsDomain;
class ShellPort;

// Puts quick open into the palette program: the file provider serves PanelMode::QuickOpen in the data
// source, the panel draws its rows in the compact form and tells it the first visible row, and the QuickOpen
// controller gets its ports (the panel, the shell, the key poster, a list reload that does not search
// again). Whether its hot key is bound follows the setting "quickOpen" (QuickOpen does that).
//
// Ownership: owns the controller; everything in Deps is not owned and must outlive this object. The
// destructor undoes the registrations (data source, row reader, first-row source, provider watcher).
// Threads: main thread.
class QuickOpenShell final
{
public:
    struct Deps
    {
        SettingsDomain &settings;
        HotkeyBinder &binder;
        PanelWindowController &panel;
        ShellPort &shell;
        KeyPoster &keyPoster;
        std::shared_ptr<FileDataProvider> provider; // never null
        std::shared_ptr<ElementSource> elements;    // never null
        AXAppHooks hooks;                           // triggeredByForce is replaced by this object's flag
        DataSource &dataSource;
        Dispatcher &dispatcher;
        // Called at every press of the hot key, before the panel changes (the shell notes the focused
        // window there). May be empty.
        std::function<void()> beforeShow;
    };

    explicit QuickOpenShell(Deps deps);
    ~QuickOpenShell();
    QuickOpenShell(const QuickOpenShell &) = delete;
    QuickOpenShell &operator=(const QuickOpenShell &) = delete;

    QuickOpen &controller() { return *m_quickOpen; }
    FileDataProvider &provider() { return *m_deps.provider; }
    // Whether the last quick-open show was forced. Any thread.
    bool triggeredByForce() const { return m_forced->load(); }

private:
    void reloadList();

    Deps m_deps;
    DataSource &m_dataSource;
    std::shared_ptr<std::atomic<bool>> m_forced = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<PanelPort> m_panelPort;
    std::unique_ptr<QuickOpen> m_quickOpen;
};

} // namespace tavolin
