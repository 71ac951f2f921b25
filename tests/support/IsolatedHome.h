#pragma once

#include <QString>
#include <QTemporaryDir>

namespace tavolin::test {

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_STATE_HOME at a fresh temporary folder for its lifetime,
// so a test never reads or writes the real user's files. Child processes started meanwhile inherit it.
class IsolatedHome
{
public:
    IsolatedHome();
    ~IsolatedHome();
    IsolatedHome(const IsolatedHome &) = delete;
    IsolatedHome &operator=(const IsolatedHome &) = delete;

    QString root() const { return m_dir.path(); }
    QString dataHome() const;
    QString configHome() const;
    QString stateHome() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[4];
    bool m_wasSet[4] = {};
};

} // namespace tavolin::test
