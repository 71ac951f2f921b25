// Runs the built-in file manager scripts for real, against stand-in desktop tools (clipboard, key sender,
// gsettings, terminal) placed alone on PATH, so every run is decided by this test and not by the machine.
#include "ExtensionTestSupport.h"
#include "extensions/PluginDataProvider.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

using Kind = RunOutcome::Kind;
using namespace std::chrono_literals;

// Stand-ins. Each logs its arguments to $FAKE_DIR/<tool>.args; the clipboard lives in $FAKE_DIR/clipboard.
const QByteArray kClipboardTool = R"sh(#!/bin/bash
printf '%s' "$*" > "$FAKE_DIR/${0##*/}.args"
case "$*" in
  *-o*|*--output*|*--no-newline*) [ -f "$FAKE_DIR/clipboard" ] && printf '%s' "$(<"$FAKE_DIR/clipboard")" ;;
  *) printf '%s' "$(</dev/stdin)" > "$FAKE_DIR/clipboard" ;;
esac
)sh";
// Pressing Ctrl+C in the file manager copies its location, $FAKE_SHOWN.
const QByteArray kKeyTool = R"sh(#!/bin/bash
printf '%s' "$*" >> "$FAKE_DIR/${0##*/}.args"
case "$*" in *ctrl+c*) printf '%s' "$FAKE_SHOWN" > "$FAKE_DIR/clipboard" ;; esac
)sh";
// Only the schema named by $FAKE_SCHEMA is installed.
const QByteArray kGsettings = R"sh(#!/bin/bash
state="$FAKE_DIR/$2.$3"
[ "$2" = "$FAKE_SCHEMA" ] || { echo "No such schema \"$2\"" >&2; exit 1; }
case $1 in
  writable) echo true ;;
  get) if [ -f "$state" ]; then printf '%s\n' "$(<"$state")"; else echo false; fi ;;
  set) printf '%s' "$4" > "$state" ;;
esac
)sh";
// Tells the test where it was started by writing its working folder into a named pipe.
const QByteArray kTerminal = R"sh(#!/bin/bash
printf '%s' "$PWD" > "$FAKE_DIR/terminal.fifo"
)sh";

const QString kCopyPath = u"Copy Path"_qs;
const QString kOpenTerminal = u"Open in Terminal"_qs;
const QString kHidden = u"Hide or Show Hidden Files"_qs;

// A desktop of its own: a home with the built-in extensions installed and a PATH holding only the tools added.
class Desktop
{
public:
    // `tools`: the stand-ins to place on PATH, by name and script.
    explicit Desktop(std::initializer_list<std::pair<const char *, QByteArray>> tools = {})
    {
        EXPECT_TRUE(m_tools.isValid());
        m_provider->installDefaultPlugins();
        env.set("PATH", m_tools.path() + u"/bin"_qs);
        env.set("FAKE_DIR", m_tools.path());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "FAKE_SCHEMA", "FAKE_SHOWN"})
            env.unset(name);
        EXPECT_TRUE(QDir().mkpath(m_tools.path() + u"/bin"_qs));
        // Always there on a real system; the scripts start a lasting program with them.
        for (const char *name : {"setsid", "sleep"})
            EXPECT_TRUE(QFile::link(u"/usr/bin/"_qs + QLatin1String(name), m_tools.path() + u"/bin/"_qs + QLatin1String(name)));
        for (const auto &[name, script] : tools)
            EXPECT_TRUE(test::writeFile(m_tools.path() + u"/bin/"_qs + QLatin1String(name), script, true));
    }

    QString fake(const QString &name) const { return m_tools.path() + QLatin1Char('/') + name; }
    QByteArray fakeFile(const QString &name) const { return test::readFile(fake(name)); }
    // What the terminal told through its fifo: the folder it was started in.
    std::optional<QByteArray> terminalFolder() const { return test::readFifo(fake(u"terminal.fifo"_qs), 10s); }

    RunOutcome run(const QString &label, const QString &app, const QString &document = {})
    {
        RunContext context;
        context.appKey = app + u".app"_qs;
        context.appPid = 1234;
        context.document = document;
        for (const PluginDataItem &item : m_provider->getExtentions(u"nautilus"_qs)) {
            if (item.label != label)
                continue;
            QFuture<RunOutcome> future = m_provider->runCommand(item, context);
            if (!test::waitForFinished(future)) {
                ADD_FAILURE() << "the script of " << label.toStdString() << " still runs";
                return {};
            }
            return future.result();
        }
        ADD_FAILURE() << "no built-in extension " << label.toStdString();
        return {};
    }
    QString lastError() const
    {
        const auto shown = notifier.shown();
        return shown.empty() ? QString() : shown.back().text;
    }

    test::IsolatedHome home;
    test::FakeNotifier notifier;
    test::ScopedEnv env;

private:
    QTemporaryDir m_tools;
    std::unique_ptr<PluginDataProvider> m_provider =
        std::make_unique<PluginDataProvider>(notifier, [](const QString &) { return QString(); });
};

TEST(BuiltinScripts, CopyPathCopiesTheDocumentPathOrAsksTheFileManager)
{
    const struct { const char *name; const char *tool; QByteArray script; const char *display; QString app, document;
                   QString argsFile; QByteArray args; } rows[] = {
        {"known document path", "xclip", kClipboardTool, nullptr, u"nautilus"_qs, u"/home/me/My Files"_qs,
         u"xclip.args"_qs, "-selection clipboard"},
        {"a file URL is decoded", "xsel", kClipboardTool, nullptr, u"caja"_qs, u"file:///home/me/My%20Files"_qs, {}, {}},
        {"without a document the file manager copies its location", "xdotool", kKeyTool, "DISPLAY", u"thunar"_qs,
         QString(), u"xdotool.args"_qs, "key --clearmodifiers ctrl+l ctrl+c Escape"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Desktop desktop({{row.tool, row.script}});
        if (row.display)
            desktop.env.set(row.display, u":99"_qs);

        EXPECT_EQ(desktop.run(kCopyPath, row.app, row.document).kind, Kind::Succeeded) << desktop.lastError().toStdString();

        if (!row.document.isEmpty())
            EXPECT_EQ(desktop.fakeFile(u"clipboard"_qs), QByteArray("/home/me/My Files"));
        if (!row.argsFile.isEmpty())
            EXPECT_EQ(desktop.fakeFile(row.argsFile), row.args);
    }

    // On Wayland, the Wayland clipboard.
    Desktop wayland({{"xclip", kClipboardTool}, {"wl-copy", kClipboardTool}});
    wayland.env.set("WAYLAND_DISPLAY", u"wayland-0"_qs);
    EXPECT_EQ(wayland.run(kCopyPath, u"nautilus"_qs, u"/srv"_qs).kind, Kind::Succeeded);
    EXPECT_TRUE(QFileInfo::exists(wayland.fake(u"wl-copy.args"_qs)));
    EXPECT_FALSE(QFileInfo::exists(wayland.fake(u"xclip.args"_qs)));
}

TEST(BuiltinScripts, FailWithAClearMessageWhenTheDesktopLacksTools)
{
    const struct { const char *name; QString label, document, messagePart; } rows[] = {
        {"copy path without a clipboard tool", kCopyPath, u"/tmp"_qs, u"no clipboard tool found"_qs},
        {"copy path without a document or key tool", kCopyPath, QString(), u"install xdotool"_qs},
        {"terminal without a document or key tool", kOpenTerminal, QString(), u"install xdotool"_qs},
        {"terminal without a terminal program", kOpenTerminal, u"/tmp"_qs, u"no terminal program found"_qs},
        {"hidden files without a key tool", kHidden, QString(), u"install xdotool"_qs},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Desktop desktop;
        EXPECT_EQ(desktop.run(row.label, u"thunar"_qs, row.document).kind, Kind::Failed);
        ASSERT_EQ(desktop.notifier.shown().size(), 1u);
        EXPECT_EQ(desktop.notifier.shown()[0].title, row.label);
        EXPECT_TRUE(desktop.lastError().contains(row.messagePart)) << desktop.lastError().toStdString();
    }
}

TEST(BuiltinScripts, OpenInTerminalStartsTheTerminalInTheDocumentsFolderOrTheOneShown)
{
    QTemporaryDir place;
    ASSERT_TRUE(test::writeFile(place.path() + u"/report.txt"_qs, "x"));
    {
        Desktop desktop({{"x-terminal-emulator", kTerminal}});
        ASSERT_TRUE(test::makeFifo(desktop.fake(u"terminal.fifo"_qs)));
        ASSERT_EQ(desktop.run(kOpenTerminal, u"nemo"_qs, place.path() + u"/report.txt"_qs).kind, Kind::Succeeded);
        const std::optional<QByteArray> started = desktop.terminalFolder();
        ASSERT_TRUE(started) << "the terminal did not start";
        EXPECT_EQ(QString::fromUtf8(*started), QFileInfo(place.path()).canonicalFilePath());
    }

    // Without a document the location is read through the clipboard, which is then put back.
    Desktop desktop({{"xclip", kClipboardTool}, {"xdotool", kKeyTool}, {"xterm", kTerminal}});
    ASSERT_TRUE(test::makeFifo(desktop.fake(u"terminal.fifo"_qs)));
    ASSERT_TRUE(test::writeFile(desktop.fake(u"clipboard"_qs), "what the user copied"));
    desktop.env.set("DISPLAY", u":99"_qs);
    desktop.env.set("FAKE_SHOWN", place.path());
    ASSERT_EQ(desktop.run(kOpenTerminal, u"pcmanfm"_qs).kind, Kind::Succeeded) << desktop.lastError().toStdString();
    const std::optional<QByteArray> started = desktop.terminalFolder();
    ASSERT_TRUE(started) << "the terminal did not start";
    EXPECT_EQ(QString::fromUtf8(*started), QFileInfo(place.path()).canonicalFilePath());
    EXPECT_EQ(desktop.fakeFile(u"clipboard"_qs), QByteArray("what the user copied"));
}

// Without a document, only what the file manager itself copied may choose the folder: stale clipboard text
// naming a real folder is never opened, and a location that is no folder here is said to be none.
TEST(BuiltinScripts, OpenInTerminalOpensOnlyAnExistingLocationTheFileManagerGave)
{
    const struct { const char *name; QByteArray copiedBefore; QString shown, messagePart; } rows[] = {
        {"empty clipboard, nothing copied", "", QString(), u"did not tell its folder"_qs},
        {"stale folder in the clipboard, nothing copied", "/tmp", QString(), u"did not tell its folder"_qs},
        {"copied text is no path", "", u"Recent"_qs, u"is not a folder on this computer"_qs},
        {"copied path is gone", "", u"/nonexistent/tavolin-folder"_qs, u"does not exist"_qs},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Desktop desktop({{"xclip", kClipboardTool}, {"xdotool", kKeyTool}, {"xterm", kTerminal}});
        if (!row.copiedBefore.isEmpty())
            ASSERT_TRUE(test::writeFile(desktop.fake(u"clipboard"_qs), row.copiedBefore));
        desktop.env.set("DISPLAY", u":99"_qs);
        desktop.env.set("FAKE_SHOWN", row.shown);

        EXPECT_EQ(desktop.run(kOpenTerminal, u"pcmanfm"_qs).kind, Kind::Failed);
        EXPECT_TRUE(desktop.lastError().contains(row.messagePart)) << desktop.lastError().toStdString();
        EXPECT_FALSE(desktop.lastError().contains(u"install"_qs)) << desktop.lastError().toStdString();
        EXPECT_EQ(desktop.fakeFile(u"clipboard"_qs), row.copiedBefore);
    }
}

TEST(BuiltinScripts, HiddenFilesTogglesTheFileManagersSettingOrSendsCtrlH)
{
    const struct { const char *name; QString app, schema, key; } settingRows[] = {
        {"nautilus, GTK 4", u"nautilus"_qs, u"org.gtk.gtk4.Settings.FileChooser"_qs, u"show-hidden"_qs},
        {"nautilus, GTK 3", u"nautilus"_qs, u"org.gtk.Settings.FileChooser"_qs, u"show-hidden"_qs},
        {"nemo", u"nemo"_qs, u"org.nemo.preferences"_qs, u"show-hidden-files"_qs},
    };
    for (const auto &row : settingRows) {
        SCOPED_TRACE(row.name);
        Desktop desktop({{"gsettings", kGsettings}});
        desktop.env.set("FAKE_SCHEMA", row.schema);
        const QString state = row.schema + QLatin1Char('.') + row.key;
        ASSERT_EQ(desktop.run(kHidden, row.app).kind, Kind::Succeeded) << desktop.lastError().toStdString();
        EXPECT_EQ(desktop.fakeFile(state), QByteArray("true"));
        ASSERT_EQ(desktop.run(kHidden, row.app).kind, Kind::Succeeded);
        EXPECT_EQ(desktop.fakeFile(state), QByteArray("false"));
    }

    const struct { const char *name; QString app; const char *display; const char *tool; QByteArray args; } keyRows[] = {
        {"thunar on X11", u"thunar"_qs, "DISPLAY", "xdotool", "key --clearmodifiers ctrl+h"},
        {"dolphin on Wayland", u"dolphin"_qs, "WAYLAND_DISPLAY", "wtype", "-M ctrl h -m ctrl"},
        {"nautilus without gsettings", u"nautilus"_qs, "DISPLAY", "xdotool", "key --clearmodifiers ctrl+h"},
    };
    for (const auto &row : keyRows) {
        SCOPED_TRACE(row.name);
        Desktop desktop({{row.tool, kKeyTool}});
        desktop.env.set(row.display, u"somewhere"_qs);
        ASSERT_EQ(desktop.run(kHidden, row.app).kind, Kind::Succeeded) << desktop.lastError().toStdString();
        EXPECT_EQ(desktop.fakeFile(QLatin1String(row.tool) + u".args"_qs), row.args);
    }
}

} // namespace
} // namespace tavolin
