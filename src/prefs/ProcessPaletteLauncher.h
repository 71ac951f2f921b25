#pragma once

#include "PrefsContext.h"

#include <QString>

namespace tavolin {

// The palette program as a process: "tavolin" beside this program's executable, else on PATH.
// Running palettes are found in /proc as processes of this user whose executable is named "tavolin".
class ProcessPaletteLauncher final : public PaletteLauncher
{
public:
    static constexpr auto kProgramName = "tavolin";

    // `executable` "" means: find it (findPaletteExecutable()).
    explicit ProcessPaletteLauncher(QString executable = QString());

    // The palette's executable, or "" when it is not installed (launch() then does nothing).
    static QString findPaletteExecutable();

    QString executable() const { return m_executable; }

    bool isRunning() const override;
    bool launch() override;
    void terminate() override;

private:
    QString m_executable;
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
