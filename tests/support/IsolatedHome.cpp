#include "IsolatedHome.h"

#include <QDir>

namespace tavolin::test {
namespace {
constexpr int kCount = 4;
const char *const kVariables[kCount] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"};
const char *const kFolders[kCount] = {"data", "config", "cache", "state"};
} // namespace

IsolatedHome::IsolatedHome()
{
    for (int i = 0; i < kCount; ++i) {
        m_wasSet[i] = qEnvironmentVariableIsSet(kVariables[i]);
        m_saved[i] = qgetenv(kVariables[i]);
        const QString path = m_dir.path() + QLatin1Char('/') + QLatin1String(kFolders[i]);
        QDir().mkpath(path);
        qputenv(kVariables[i], path.toLocal8Bit());
    }
}

IsolatedHome::~IsolatedHome()
{
    for (int i = 0; i < kCount; ++i) {
        if (m_wasSet[i])
            qputenv(kVariables[i], m_saved[i]);
        else
            qunsetenv(kVariables[i]);
    }
}

QString IsolatedHome::dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
QString IsolatedHome::configHome() const { return m_dir.path() + QStringLiteral("/config"); }
QString IsolatedHome::stateHome() const { return m_dir.path() + QStringLiteral("/state"); }

} // namespace tavolin::test
