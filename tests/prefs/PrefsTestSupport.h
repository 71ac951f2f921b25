#pragma once

#include "prefs/PrefsContext.h"
#include "prefs/Settings.h"
#include "common/SettingsDomain.h"
#include "support/IsolatedHome.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

namespace tavolin::test {

// Answers dialogs the way a test tells it to, and records every alert.
class FakePrompter final : public Prompter
{
public:
    struct Message { Style style; QString text; QString informative; };

    void showMessage(QWidget *, Style style, const QString &text, const QString &informative) override
    {
        messages.push_back({style, text, informative});
    }
    bool confirm(QWidget *, const QString &text, const QString &, const QString &) override
    {
        confirmations << text;
        return confirmAnswer;
    }
    bool runDialog(QDialog &dialog) override
    {
        ++dialogsRun;
        if (dialogAnswers.empty())
            return false;
        auto answer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
        return answer(dialog);
    }
    QString chooseFile(QWidget *, const QString &, const QStringList &suffixes) override
    {
        lastSuffixes = suffixes;
        return {};
    }
    QList<DesktopApp> chooseApplications(QWidget *, const QList<DesktopApp> &, bool multiple) override
    {
        lastMultiple = multiple;
        return applicationsAnswer;
    }
    QString chooseExecutable(QWidget *) override { return executableAnswer; }

    std::vector<Message> messages;
    QStringList confirmations;
    bool confirmAnswer = true;
    // Each dialog run takes the next answer: it may fill the dialog, and returns whether it was accepted.
    std::deque<std::function<bool(QDialog &)>> dialogAnswers;
    int dialogsRun = 0;
    QStringList lastSuffixes;
    QList<DesktopApp> applicationsAnswer;
    bool lastMultiple = false;
    QString executableAnswer;
};

class FakePaletteLauncher final : public PaletteLauncher
{
public:
    bool isRunning() const override { return running; }
    bool launch() override
    {
        ++launches;
        return running = true;
    }
    void terminate() override
    {
        ++terminations;
        running = false;
    }
    QString executable() const override { return QStringLiteral("/opt/tavolin/bin/tavolin"); }

    bool running = false;
    int launches = 0;
    int terminations = 0;
};

// Trashing really moves to the (isolated) freedesktop Trash, and is recorded.
class FakeDesktop final : public DesktopServices
{
public:
    bool openUrl(const QUrl &) override { return true; }
    bool startProgram(const QString &, const QStringList &) override { return true; }
    bool moveToTrash(const QString &path) override
    {
        trashed << path;
        return QFile::moveToTrash(path);
    }

    QStringList trashed;
};

inline QList<DesktopApp> sampleApplications()
{
    return {
        {QStringLiteral("org.gnome.gedit"), QStringLiteral("Text Editor"), QStringLiteral("gedit"), QString()},
        {QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QString()},
        {QStringLiteral("org.gnome.Nautilus"), QStringLiteral("Files"), QStringLiteral("nautilus"), QString()},
    };
}

// An isolated home, a fresh settings domain in it, fakes behind every seam, and the context over them.
struct PrefsEnvironment
{
    PrefsEnvironment()
        : domain(std::make_unique<SettingsDomain>()), settings(*domain),
          context{settings, prompter, launcher, desktop, home.dataHome() + QStringLiteral("/Tavolin/CommandExtensions"),
                  [] { return sampleApplications(); }}
    {
    }

    IsolatedHome home;
    std::unique_ptr<SettingsDomain> domain;
    Settings settings;
    FakePrompter prompter;
    FakePaletteLauncher launcher;
    FakeDesktop desktop;
    PrefsContext context;
};

// A pane of type P over its own environment: open() makes and shows it, after the test stored what it reads.
template <class P>
class PaneTest : public ::testing::Test
{
protected:
    void open()
    {
        pane = std::make_unique<P>(env.context);
        pane->show();
    }

    PrefsEnvironment env;
    std::unique_ptr<P> pane;
};

inline bool writeTextFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

} // namespace tavolin::test
