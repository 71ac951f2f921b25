#include "Log.h"
#include "common/Mutex.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdio>

namespace tavolin::log {
namespace {

Mutex g_mutex;
Sink g_sink GUARDED_BY(g_mutex);
Level g_minimum GUARDED_BY(g_mutex) = qEnvironmentVariableIsSet("TAVOLIN_DEBUG") ? Level::Debug : Level::Info;

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
    MutexLocker lock(g_mutex);
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
    MutexLocker lock(g_mutex);
    g_minimum = level;
}

void setSink(Sink sink)
{
    MutexLocker lock(g_mutex);
    g_sink = std::move(sink);
}

} // namespace tavolin::log
