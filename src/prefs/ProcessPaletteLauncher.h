#pragma once

#include "PrefsContext.h"

#include <QString>

namespace tavolin {

// The palette program as a process: "tavolin" beside this program's executable, else on PATH.
// The running palette is the one of this desktop session, found and asked to quit over its InstanceChannel:
// palettes of other sessions are neither seen nor ended.
class ProcessPaletteLauncher final : public PaletteLauncher
{
public:
    static constexpr auto kProgramName = "tavolin";

    // `executable` "" means: find it (findPaletteExecutable()).
    // `channelPath` "" means this session's palette channel (InstanceChannel::socketPathFor("tavolin")).
    explicit ProcessPaletteLauncher(QString executable = QString(), QString channelPath = QString());

    // The palette's executable, or "" when it is not installed (launch() then does nothing).
    static QString findPaletteExecutable();

    QString executable() const override { return m_executable; }

    bool isRunning() const override;
    bool launch() override;
    void terminate() override;

private:
    QString m_executable;
    QString m_channelPath;
};

// QDesktopServices, QProcess and QFile::moveToTrash.
class SystemDesktopServices final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
    bool moveToTrash(const QString &path) override;
};

} // namespace tavolin
