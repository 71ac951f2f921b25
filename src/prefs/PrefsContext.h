#pragma once

#include "ApplicationCatalog.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QDialog;
class QWidget;

namespace tavolin {

class Settings;

// What the panes ask of people: dialogs, choosers and alerts. The widget implementation shows real
// windows, modal to `parent`'s window; tests answer with a fake. Every call is made on the main thread and
// returns when the person has answered.
class Prompter
{
public:
    virtual ~Prompter() = default;

    enum class Style { Informational, Warning, Critical };

    // An alert with one button.
    virtual void showMessage(QWidget *parent, Style style, const QString &text, const QString &informative) = 0;
    // A question whose first button is `acceptLabel`, the other "Cancel"; true when accepted.
    virtual bool confirm(QWidget *parent, const QString &text, const QString &informative,
                         const QString &acceptLabel) = 0;
    // Runs a prepared dialog; true when the person accepted it. The dialog is not owned.
    virtual bool runDialog(QDialog &dialog) = 0;
    // One file chosen by the person: its absolute path, or "" when cancelled. `suffixes` are the allowed file
    // name endings without dot ("" for files without one); empty allows everything. A folder with one of
    // the endings (a bundle) is chosen as a whole when the person opens it.
    virtual QString chooseFile(QWidget *parent, const QString &title, const QStringList &suffixes) = 0;
    // Applications chosen from the installed ones or, through "Others…", any program. Empty when cancelled.
    virtual QList<DesktopApp> chooseApplications(QWidget *parent, const QList<DesktopApp> &installed,
                                                 bool multiple) = 0;
    // Any program file chosen by the person ("Others…"): its path, or "" when cancelled.
    virtual QString chooseExecutable(QWidget *parent) = 0;
};

// Starts, finds and stops the palette program. Failures are silent: the palette reports its own problems.
// Main thread.
class PaletteLauncher
{
public:
    virtual ~PaletteLauncher() = default;

    virtual bool isRunning() const = 0;
    // Starts the palette; false when its program cannot be found or started.
    virtual bool launch() = 0;
    // Asks the running palette of this desktop session to quit.
    virtual void terminate() = 0;
    // The palette's executable, "" when it is not installed.
    virtual QString executable() const = 0;

    // Starts the palette when it is not running.
    void ensureRunning()
    {
        if (!isRunning())
            launch();
    }
};

// The desktop's services the panes use. Main thread.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Opens a web page, a mailto: address or a file in the program the desktop chooses.
    virtual bool openUrl(const QUrl &url) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
    // Moves a file or folder to the freedesktop Trash; false when it is gone or could not be moved.
    virtual bool moveToTrash(const QString &path) = 0;
};

// Everything a pane needs from its surroundings. Not owned; all members outlive the panes.
struct PrefsContext
{
    Settings &settings;
    Prompter &prompter;
    PaletteLauncher &launcher;
    DesktopServices &desktop;
    // The extension folder: paths::dataDir() + "/CommandExtensions" in the program.
    QString extensionFolder;
    // The installed applications, read when a pane loads.
    std::function<QList<DesktopApp>()> applications;
};

} // namespace tavolin
