// tavolin-preferences: edits what the palette reads (shortcut, appearance, rules, extensions).
#include "PreferencesWindow.h"
#include "ProcessPaletteLauncher.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "WidgetPrompter.h"
#include "common/Paths.h"
#include "common/QuitOnSignal.h"
#include "session/DisplayCheck.h"
#include "ui/common/AccessibleRoles.h"
#include "ui/i18n/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

namespace {

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("tavolin-preferences"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVOLIN_VERSION));
}

void setUpParser(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Tavolin Preferences: the palette shortcut, appearance, application and menu rules, and extensions."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("urls-or-files"),
                                 QStringLiteral("tavolin-preferences://preferences/about, or extension files "
                                                "(.pext bundles, scripts) to import."),
                                 QStringLiteral("[urls-or-files...]"));
}

// --help and --version answer without a display.
bool asksForInformationOnly(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "--version" || arg == "-v")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace tavolin;
    if (asksForInformationOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        describeProgram();
        QCommandLineParser parser;
        setUpParser(parser);
        parser.process(core); // prints and exits
        return 0;
    }
    session::guardDisplayStart("tavolin-preferences");
    QApplication app(argc, argv);
    session::displayStartDone();
    i18n::installTranslations(app);
    installAccessibleRoles();
    describeProgram();
    QApplication::setApplicationDisplayName(QCoreApplication::translate("main", "Tavolin Preferences"));
    QApplication::setDesktopFileName(QStringLiteral("tavolin-preferences"));
    QApplication::setQuitOnLastWindowClosed(true);
    QCommandLineParser parser;
    setUpParser(parser);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    SingleInstance instance;
    switch (instance.forwardOrListen(args, QDir::currentPath())) {
    case InstanceChannel::Start::HandedOver:
        return 0;
    case InstanceChannel::Start::NoAnswer:
        std::fputs("tavolin-preferences: the preferences program of this desktop session is running but does not "
                   "answer; try again, or end that process.\n",
                   stderr);
        return 1;
    case InstanceChannel::Start::Listening:
    case InstanceChannel::Start::NoChannel:
        break;
    }
    QObject::connect(&instance, &SingleInstance::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    WidgetPrompter prompter;
    ProcessPaletteLauncher launcher;
    SystemDesktopServices desktop;
    SettingsDomain domain;
    Settings settings(domain);
    PrefsContext context{settings, prompter, launcher, desktop,
                         paths::dataDir() + QStringLiteral("/CommandExtensions"),
                         [] { return ApplicationCatalog::installedApplications(); }};
    PreferencesWindow window(context);
    window.setupWindowStyle();
    window.rememberPlacement();
    window.setAnimated(true);
    window.show();
    window.openArguments(args, QDir::currentPath());
    QObject::connect(&instance, &SingleInstance::messageReceived, &window,
                     [&window](const QStringList &forwarded, const QString &workingDir) {
                         window.show();
                         window.raise();
                         window.activateWindow();
                         window.openArguments(forwarded, workingDir);
                     });
    tavolin::quitOnTerminationSignals();
    return app.exec();
}
