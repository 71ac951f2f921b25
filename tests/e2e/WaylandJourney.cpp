#include "WaylandJourney.h"

#include "HeadlessSession.h"
#include "PaletteRun.h"
#include "support/SessionUser.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>

namespace tavolin::test {
namespace {

std::optional<QString> runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void collect(const QJsonObject &node, bool floating, QList<CompositorWindow> &out)
{
    if (node.contains(QLatin1String("pid"))) {
        const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
        out.append({node.value(QLatin1String("name")).toString(), node.value(QLatin1String("pid")).toInteger(),
                    node.value(QLatin1String("focused")).toBool(), floating,
                    QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                          rect.value(QLatin1String("width")).toInt(), rect.value(QLatin1String("height")).toInt())});
    }
    for (const QJsonValue child : node.value(QLatin1String("nodes")).toArray())
        collect(child.toObject(), floating, out);
    for (const QJsonValue child : node.value(QLatin1String("floating_nodes")).toArray())
        collect(child.toObject(), true, out);
}

// Whether the session's user may run `program` (a build folder under a private home is out of its reach).
bool sessionUserRuns(const QString &program)
{
    QProcess check;
    startInSession(check, QStringLiteral("test"), {QStringLiteral("-x"), program});
    return check.waitForStarted(5000) && check.waitForFinished(5000) && check.exitStatus() == QProcess::NormalExit
        && check.exitCode() == 0;
}

} // namespace

void WaylandJourney::SetUp()
{
    if (!HeadlessSession::getWayland())
        GTEST_SKIP() << HeadlessSession::reason().toStdString();
    for (const QString &program : {QStringLiteral(TAVOLIN_PROGRAM), QStringLiteral(TAVOLIN_MENU_FIXTURE)}) {
        if (!sessionUserRuns(program))
            GTEST_SKIP() << "the session's user cannot run " << program.toStdString()
                         << ": a folder on its way is private to this user";
    }
}

std::optional<QString> WaylandJourney::swaymsg(const QStringList &arguments)
{
    return runTool(QStringLiteral("swaymsg"), arguments);
}

QList<CompositorWindow> compositorWindows()
{
    QList<CompositorWindow> found;
    if (const std::optional<QString> tree = runTool(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")}))
        collect(QJsonDocument::fromJson(tree->toUtf8()).object(), false, found);
    return found;
}

qsizetype compositorWindowsOf(qint64 pid)
{
    const QList<CompositorWindow> all = compositorWindows();
    return std::count_if(all.begin(), all.end(), [pid](const CompositorWindow &w) { return w.pid == pid; });
}

std::optional<CompositorWindow> focusedFloatingWindowOf(qint64 pid)
{
    for (const CompositorWindow &window : compositorWindows()) {
        if (window.pid == pid && window.focused && window.floating)
            return window;
    }
    return std::nullopt;
}

bool WaylandJourney::bindPaletteKey(const PaletteRun &palette)
{
    const QString command = QStringLiteral("env XDG_CONFIG_HOME=%1 XDG_DATA_HOME=%2 XDG_CACHE_HOME=%3 %4 --show")
                                .arg(palette.configHome(), palette.dataHome(), palette.cacheHome(),
                                     QStringLiteral(TAVOLIN_PROGRAM));
    return swaymsg({QStringLiteral("bindsym"), QStringLiteral("ctrl+shift+p"), QStringLiteral("exec ") + command})
        .has_value();
}

bool WaylandJourney::focusApplication(qint64 pid)
{
    return swaymsg({QStringLiteral("[pid=%1] focus").arg(pid)}).has_value();
}

bool WaylandJourney::waitForWindowOf(qint64 pid)
{
    return waitFor([pid] { return compositorWindowsOf(pid) > 0; }, std::chrono::seconds(15));
}

bool WaylandJourney::wtype(const QStringList &arguments)
{
    return runTool(QStringLiteral("wtype"), arguments).has_value();
}

bool WaylandJourney::screenshot(const QString &name)
{
    const QString folder = QStringLiteral(TAVOLIN_ARTIFACTS_DIR);
    return QDir().mkpath(folder) && runTool(QStringLiteral("grim"), {folder + QLatin1Char('/') + name + QStringLiteral(".png")}).has_value();
}

} // namespace tavolin::test
