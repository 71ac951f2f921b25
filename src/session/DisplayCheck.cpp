#include "session/DisplayCheck.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace tavolin::session {
namespace {

struct HeldMessage
{
    QtMsgType type;
    // The context's strings are Qt's literals, alive for the program's life.
    const char *file;
    int line;
    const char *function;
    const char *category;
    QString text;
};

const char *g_program = "tavolin";
QtMessageHandler g_previous = nullptr;
QList<HeldMessage> *g_held = nullptr;

void failWithoutDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty() && wayland.isEmpty())
        std::fprintf(stderr, "%s: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it from a desktop "
                             "session (or set DISPLAY).\n", g_program);
    else
        std::fprintf(stderr, "%s: cannot open the display (DISPLAY=%s, WAYLAND_DISPLAY=%s). Start it from a "
                             "running desktop session.\n", g_program, display.constData(), wayland.constData());
    std::fflush(stderr);
    ::_exit(1);
}

void holdingHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg)
        failWithoutDisplay();
    if (g_held)
        g_held->append({type, context.file, context.line, context.function, context.category, text});
    else if (g_previous)
        g_previous(type, context, text);
}

} // namespace

void guardDisplayStart(const char *program)
{
    g_program = program;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool needsDisplay = platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    if (needsDisplay && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        failWithoutDisplay();
    g_held = new QList<HeldMessage>;
    g_previous = qInstallMessageHandler(holdingHandler);
}

void displayStartDone()
{
    qInstallMessageHandler(g_previous);
    QList<HeldMessage> *held = g_held;
    g_held = nullptr;
    if (!held)
        return;
    for (const HeldMessage &message : *held)
        qt_message_output(message.type,
                          QMessageLogContext(message.file, message.line, message.function, message.category),
                          message.text);
    delete held;
}

} // namespace tavolin::session
