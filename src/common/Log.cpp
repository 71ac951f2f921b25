#include "Log.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdio>
#include <mutex>

namespace tavolin::log {
namespace {

std::mutex g_mutex;
Sink g_sink;                                    // guarded by g_mutex
Level g_minimum = qEnvironmentVariableIsSet("TAVOLIN_DEBUG") ? Level::Debug : Level::Info; // guarded by g_mutex

const char *levelName(Level level)
{
    switch (level) {
    case Level::Debug: return "debug";
    case Level::Info: return "info";
    case Level::Error: return "error";
    }
    return "info";
}

} // namespace

void write(Level level, const QString &message)
{
    std::lock_guard lock(g_mutex);
    if (level < g_minimum)
        return;
    if (g_sink) {
        g_sink(level, message);
        return;
    }
    const QByteArray time = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toUtf8();
    std::fprintf(stderr, "%s %s [%s:%s] %s\n", time.constData(), levelName(level), kSubsystem, kCategory,
                 message.toUtf8().constData());
}

void debug(const QString &message) { write(Level::Debug, message); }
void info(const QString &message) { write(Level::Info, message); }
void error(const QString &message) { write(Level::Error, message); }

void setMinimumLevel(Level level)
{
    std::lock_guard lock(g_mutex);
    g_minimum = level;
}

void setSink(Sink sink)
{
    std::lock_guard lock(g_mutex);
    g_sink = std::move(sink);
}

} // namespace tavolin::log
