#pragma once

#include "common/KeyData.h"
#include "common/Log.h"
#include "common/Shortcut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <mutex>
#include <utility>
#include <vector>

namespace tavolin::test {

// Collects log lines while it lives. Any thread may log into it.
class LogCapture
{
public:
    LogCapture()
    {
        log::setSink([this](log::Level level, const QString &line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(level, line);
        });
    }
    ~LogCapture() { log::setSink({}); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Every line as "level: text".
    QStringList all() const
    {
        static const char *const kNames[] = {"debug", "info", "error"};
        std::lock_guard lock(m_mutex);
        QStringList result;
        for (const auto &[level, line] : m_lines)
            result << QString::fromLatin1(kNames[int(level)]) + QStringLiteral(": ") + line;
        return result;
    }
    // The lines of `level` so far; `take` forgets every line logged so far.
    QStringList lines(log::Level level, bool take = false)
    {
        std::lock_guard lock(m_mutex);
        QStringList result;
        for (const auto &[lineLevel, line] : m_lines)
            if (lineLevel == level)
                result << line;
        if (take)
            m_lines.clear();
        return result;
    }
    QStringList errors() { return lines(log::Level::Error); }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<log::Level, QString>> m_lines; // guarded by m_mutex
};

// Writes `bytes` to `path` in place, creating its folder.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The shortcut a settings value names; a failure when it names none.
inline Shortcut shortcutOf(const char *text)
{
    const std::optional<KeyData> keyData = KeyData::keyDataFromStoredString(QString::fromUtf8(text));
    const std::optional<Shortcut> shortcut = keyData ? keyData->toShortcut() : std::nullopt;
    EXPECT_TRUE(shortcut.has_value()) << text;
    return shortcut.value_or(Shortcut(Shortcut::kKeyCodeNotFound, 0));
}

} // namespace tavolin::test
