#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>

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

// A named pipe: opening it for reading blocks until a child opens it for writing, which lets a test wait
// for a child's signal without sleeping.
inline bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace tavolin::test
