// The palette program: no window of its own until the palette shortcut (or `tavolin --show`) calls it.
#include "common/Dispatcher.h"
#include "common/Log.h"
#include "common/Paths.h"
#include "common/SettingsDomain.h"
#include "ui/shell/AppDelegate.h"
#include "ui/shell/StallWatch.h"
#include "common/QuitOnSignal.h"
#include "session/DisplayCheck.h"
#include "ui/common/AccessibleRoles.h"
#include "ui/i18n/Translations.h"
#include "palette/Transliteration.h"
#include "common/QtLoopWithoutGlib.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr auto kUsage = "Usage: tavolin [--show]\n"
                        "Keyboard command palette over the focused application's menus.\n\n"
                        "  --show     open the palette now (in the running Tavolin, or start one)\n"
                        "  --help     show this help\n"
                        "  --version  show the version\n";

} // namespace

int main(int argc, char **argv)
{
    bool show = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tavolin %s\n", TAVOLIN_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--show") == 0) {
            show = true;
        } else {
            std::fprintf(stderr, "tavolin: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    // On a Wayland desktop the panel is a native Wayland window, Xwayland only the fallback when Qt's Wayland
    // plugin is missing. Measured under sway, both show the panel floating and centred with the keyboard in
    // about the same time (native 0.5-0.7 s from the key, Xwayland 0.45-0.8 s, most of it the compositor
    // starting `tavolin --show`); native needs no Xwayland at all (GNOME starts it only on demand, Plasma can
    // go without), and an X window gains nothing there: the compositor places it all the same, and key grabs
    // through Xwayland see keys only while an X window has the focus.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    tavolin::session::guardDisplayStart("tavolin");
    // libatspi's application connections are run by its own thread alone.
    std::optional<tavolin::QtLoopWithoutGlib> loopWithoutGlib(std::in_place);
    QApplication app(argc, argv);
    loopWithoutGlib.reset();
    tavolin::session::displayStartDone();
    tavolin::i18n::installTranslations(app);
    tavolin::installAccessibleRoles();
    QApplication::setApplicationName(QStringLiteral("Tavolin"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOLIN_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // the welcome window closing does not end the program
    // Before start-up: a termination signal during it (which may wait on the accessibility bus) then quits
    // through the ordinary quit once the event loop runs, instead of killing the program half started.
    tavolin::quitOnTerminationSignals();
    // Static: it outlives the pool's work, which may still queue through it while the program ends.
    static tavolin::QtDispatcher dispatcher;
    tavolin::SettingsDomain settings;
    tavolin::AppDelegate delegate(settings, dispatcher);
    switch (delegate.start(show)) {
    case tavolin::AppDelegate::Start::HandedOver:
        return 0;
    case tavolin::AppDelegate::Start::NoAnswer:
        std::fputs("tavolin: a Tavolin of this desktop session is running but does not answer; try again, or "
                   "end that process.\n",
                   stderr);
        return 1;
    case tavolin::AppDelegate::Start::Running:
        break;
    }
    // Title parts this run transliterates are kept for the next one, so a new palette does not compile a
    // script's rules again for the same menus: written now and then off the main thread, and at the end.
    tavolin::useTransliterationCache(tavolin::paths::cacheDir() + QStringLiteral("/transliterations"));
    QTimer cacheSaves;
    QObject::connect(&cacheSaves, &QTimer::timeout, [] {
        dispatcher.toBackground([] { tavolin::saveTransliterationCache(); });
    });
    cacheSaves.start(std::chrono::minutes(1));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { tavolin::saveTransliterationCache(); });
    std::optional<tavolin::StallWatch> stalls;
    if (qEnvironmentVariableIsSet("TAVOLIN_DEBUG"))
        stalls.emplace();
    return app.exec();
}
