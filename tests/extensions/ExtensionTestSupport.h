#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace tavolin::test {

// Sets or unsets environment variables for its lifetime; child processes started meanwhile see them.
class ScopedEnv
{
public:
    ~ScopedEnv()
    {
        for (const auto &[name, saved] : m_saved) {
            if (saved)
                qputenv(name.c_str(), *saved);
            else
                qunsetenv(name.c_str());
        }
    }
    void set(const char *name, const QString &value)
    {
        remember(name);
        qputenv(name, value.toLocal8Bit());
    }
    void unset(const char *name)
    {
        remember(name);
        qunsetenv(name);
    }

private:
    void remember(const char *name)
    {
        if (m_saved.count(name))
            return;
        m_saved[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    std::map<std::string, std::optional<QByteArray>> m_saved;
};

// Writes `content` to `path` (creating folders), optionally executable. True on success.
inline bool writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return true;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A named pipe: a child writing to it signals the test, which waits with readFifo instead of sleeping.
inline bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// What a child writes into the fifo at `path` up to closing its end; nothing when no child wrote and closed
// it within `limit`. Opened without blocking (a plain open would wait forever for a child that never
// comes); before any writer has opened it, Linux reports no hang-up, so the poll waits for the child.
inline std::optional<QByteArray> readFifo(const QString &path, std::chrono::milliseconds limit)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::optional<QByteArray> data = QByteArray();
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        const int polled = left.count() > 0 ? ::poll(&ready, 1, int(left.count())) : 0;
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0) {
            data.reset();
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            data->append(buffer, got);
        else if (got == 0 && (ready.revents & POLLHUP) != 0)
            break; // the writer closed its end
        else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            data.reset();
            break;
        }
    }
    ::close(fd);
    return data;
}

} // namespace tavolin::test
