#pragma once

#include "accessibility/AXApp.h"

#include <QString>

namespace tavolin {

// What the palette's logic asks of the program around it: the current target application, the first-run
// and permission windows, the preferences program, updates and quitting. The shell (ui/shell) implements
// it; tests use FakeShellPort.
//
// Threads: main thread only. The shell is not owned and outlives its users.
class ShellPort
{
public:
    virtual ~ShellPort() = default;

    // The application the palette was last prepared for; null before the first.
    virtual AXAppPtr currentApp() const = 0;
    virtual void setCurrentApp(AXAppPtr app) = 0;

    // The welcome window is the program's key window (its own key presses must reach it).
    virtual bool isWelcomeWindowFocused() const = 0;
    // Shows the window asking for accessibility access (nothing when a window of the program is up).
    virtual void showRequestAccessibilityPanel() = 0;

    // Whether the preferences program is installed where the shell can start it by URL.
    virtual bool hasPreferencesProgram() const = 0;
    // Hands a "tavolin-preferences:" address to the desktop; false when it could not.
    virtual bool openUrl(const QString &url) = 0;
    // Starts the preferences program at its default pane; nothing when it cannot be found.
    virtual void openPreferences() = 0;

    // Starts an interactive update check (results are shown by the shell).
    virtual void checkForUpdates() = 0;
    // Asks the program to quit once the current event is handled.
    virtual void terminate() = 0;
};

} // namespace tavolin
