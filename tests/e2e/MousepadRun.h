#pragma once

#include "PanelProbe.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace tavolin::test {

// Mousepad under the session over the palette's data folder, so GTK's recent manager writes the list the
// palette reads. Settings live in memory, so nothing of one run (a restored session) reaches the next.
// Stopped by its pid when the object goes (SIGTERM, then SIGKILL after 3 s).
class Mousepad
{
public:
    static std::unique_ptr<Mousepad> start(const QString &dataHome, const QStringList &args)
    {
        std::unique_ptr<Mousepad> app(new Mousepad);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        app->m_process.setProcessEnvironment(env);
        app->m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app->m_process.start(QStringLiteral("mousepad"), args);
        if (!app->m_process.waitForStarted(5000))
            return nullptr;
        return app;
    }
    ~Mousepad() { stop(); }

    static bool installed() { return !QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty(); }
    qint64 pid() const { return m_process.processId(); }
    // Whether Mousepad `pid` shows `path` in one of its windows (its title holds the whole path).
    static bool showsFile(qint64 pid, const QString &path)
    {
        const QStringList titles = PanelProbe::frameTitles(pid);
        return std::any_of(titles.begin(), titles.end(), [&](const QString &title) { return title.contains(path); });
    }

    // True when it has ended.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        if (m_process.waitForFinished(3000))
            return true;
        m_process.kill();
        return m_process.waitForFinished(2000);
    }

private:
    Mousepad() = default;
    QProcess m_process;
};

} // namespace tavolin::test
