#pragma once

#include <QString>

#include <functional>

namespace tavolin {

// The program's one logger. Every line carries the subsystem "io.quorvane.Tavolin" and the category
// "UserOp" and goes to standard error (journald collects it when the program runs as a desktop service).
// Messages are built with QString::arg, so "rule for %1 is %2" replaces the original placeholders.
// Thread-safe: any thread may log.
namespace log {

enum class Level { Debug, Info, Error };

inline constexpr auto kSubsystem = "io.quorvane.Tavolin";
inline constexpr auto kCategory = "UserOp";

void debug(const QString &message);
void info(const QString &message);
void error(const QString &message);
void write(Level level, const QString &message);

// Lines below this level are dropped. Default: Info, or Debug when TAVOLIN_DEBUG is set in the environment.
void setMinimumLevel(Level level);

// Replaces the standard-error sink (tests capture lines this way); an empty function restores it.
// The sink is called with the logger's mutex held: it must not log.
using Sink = std::function<void(Level, const QString &)>;
void setSink(Sink sink);

} // namespace log
} // namespace tavolin
