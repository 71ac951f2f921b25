// Runs the built-in file manager scripts for real, against stand-in desktop tools (clipboard, key sender,
// gsettings, terminal) placed alone on PATH, so every run is decided by this test and not by the machine.
#include "ExtensionTestSupport.h"
#include "extensions/PluginDataProvider.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

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

class BuiltinScriptsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tools.isValid());
        m_provider = std::make_unique<PluginDataProvider>(m_notifier, [](const QString &) { return QString(); });
        m_provider->installDefaultPlugins();
        m_env.set("PATH", m_tools.path() + QStringLiteral("/bin"));
        m_env.set("FAKE_DIR", m_tools.path());
        m_env.unset("DISPLAY");
        m_env.unset("WAYLAND_DISPLAY");
        m_env.unset("FAKE_SCHEMA");
        m_env.unset("FAKE_SHOWN");
        ASSERT_TRUE(QDir().mkpath(m_tools.path() + QStringLiteral("/bin")));
        // Always there on a real system; the scripts start a lasting program with them.
        for (const char *name : {"setsid", "sleep"})
            ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/") + QLatin1String(name),
                                    m_tools.path() + QStringLiteral("/bin/") + QLatin1String(name)));
    }

    void addTool(const QString &name, const QByteArray &script)
    {
        ASSERT_TRUE(test::writeFile(m_tools.path() + QStringLiteral("/bin/") + name, script, true));
    }
    QByteArray fakeFile(const QString &name) const { return test::readFile(m_tools.path() + QLatin1Char('/') + name); }

    RunOutcome run(const QString &label, const QString &app, const QString &document = {})
    {
        RunContext context;
        context.appKey = app + QStringLiteral(".app");
        context.appPid = 1234;
        context.document = document;
        for (const PluginDataItem &item : m_provider->getExtentions(QStringLiteral("nautilus"))) {
            if (item.label == label) {
                QFuture<RunOutcome> future = m_provider->runCommand(item, context);
                if (!test::waitForFinished(future)) {
                    ADD_FAILURE() << "the script of " << label.toStdString() << " still runs";
                    return {};
                }
                return future.result();
            }
        }
        ADD_FAILURE() << "no built-in extension " << label.toStdString();
        return {};
    }
    QString lastError() const
    {
        const auto shown = m_notifier.shown();
        return shown.empty() ? QString() : shown.back().text;
    }

    test::IsolatedHome m_home;
    test::FakeNotifier m_notifier;
    test::ScopedEnv m_env;
    QTemporaryDir m_tools;
    std::unique_ptr<PluginDataProvider> m_provider;
};

const QString kCopyPath = QStringLiteral("Copy Path");
const QString kOpenTerminal = QStringLiteral("Open in Terminal");
const QString kHidden = QStringLiteral("Hide or Show Hidden Files");

TEST_F(BuiltinScriptsTest, CopyPathCopiesTheKnownDocumentPath)
{
    addTool(QStringLiteral("xclip"), kClipboardTool);

    EXPECT_EQ(run(kCopyPath, QStringLiteral("nautilus"), QStringLiteral("/home/me/My Files")).kind, Kind::Succeeded);

    EXPECT_EQ(fakeFile(QStringLiteral("clipboard")), QByteArray("/home/me/My Files"));
    EXPECT_EQ(fakeFile(QStringLiteral("xclip.args")), QByteArray("-selection clipboard"));
}

TEST_F(BuiltinScriptsTest, CopyPathDecodesAFileUrl)
{
    addTool(QStringLiteral("xsel"), kClipboardTool);

    EXPECT_EQ(run(kCopyPath, QStringLiteral("caja"), QStringLiteral("file:///home/me/My%20Files")).kind,
              Kind::Succeeded);

    EXPECT_EQ(fakeFile(QStringLiteral("clipboard")), QByteArray("/home/me/My Files"));
}

TEST_F(BuiltinScriptsTest, CopyPathUsesTheWaylandClipboardOnWayland)
{
    addTool(QStringLiteral("xclip"), kClipboardTool);
    addTool(QStringLiteral("wl-copy"), kClipboardTool);
    m_env.set("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));

    EXPECT_EQ(run(kCopyPath, QStringLiteral("nautilus"), QStringLiteral("/srv")).kind, Kind::Succeeded);

    EXPECT_TRUE(QFileInfo::exists(m_tools.path() + QStringLiteral("/wl-copy.args")));
    EXPECT_FALSE(QFileInfo::exists(m_tools.path() + QStringLiteral("/xclip.args")));
}

TEST_F(BuiltinScriptsTest, CopyPathWithoutADocumentAsksTheFileManagerToCopyItsLocation)
{
    addTool(QStringLiteral("xdotool"), kKeyTool);
    m_env.set("DISPLAY", QStringLiteral(":99"));

    EXPECT_EQ(run(kCopyPath, QStringLiteral("thunar")).kind, Kind::Succeeded);

    EXPECT_EQ(fakeFile(QStringLiteral("xdotool.args")), QByteArray("key --clearmodifiers ctrl+l ctrl+c Escape"));
}

struct FailureCase
{
    const char *name;
    QString label;
    QString document;
    QString messagePart;
};
void PrintTo(const FailureCase &row, std::ostream *out) { *out << row.name; }

class BuiltinScriptFailureTest : public BuiltinScriptsTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(BuiltinScriptFailureTest, FailsWithAClearMessageWhenTheDesktopLacksTools)
{
    const RunOutcome outcome = run(GetParam().label, QStringLiteral("thunar"), GetParam().document);

    EXPECT_EQ(outcome.kind, Kind::Failed);
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_EQ(m_notifier.shown()[0].title, GetParam().label);
    EXPECT_TRUE(lastError().contains(GetParam().messagePart)) << lastError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, BuiltinScriptFailureTest,
    ::testing::Values(
        FailureCase{"CopyPathWithoutClipboardTool", kCopyPath, QStringLiteral("/tmp"),
                    QStringLiteral("no clipboard tool found")},
        FailureCase{"CopyPathWithoutDocumentOrKeyTool", kCopyPath, QString(), QStringLiteral("install xdotool")},
        FailureCase{"TerminalWithoutDocumentOrKeyTool", kOpenTerminal, QString(), QStringLiteral("install xdotool")},
        FailureCase{"TerminalWithoutTerminalProgram", kOpenTerminal, QStringLiteral("/tmp"),
                    QStringLiteral("no terminal program found")},
        FailureCase{"HiddenFilesWithoutKeyTool", kHidden, QString(), QStringLiteral("install xdotool")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BuiltinScriptsTest, OpenInTerminalStartsTheTerminalInTheDocumentsFolder)
{
    QTemporaryDir place;
    ASSERT_TRUE(test::writeFile(place.path() + QStringLiteral("/report.txt"), "x"));
    addTool(QStringLiteral("x-terminal-emulator"), kTerminal);
    ASSERT_TRUE(test::makeFifo(m_tools.path() + QStringLiteral("/terminal.fifo")));

    ASSERT_EQ(run(kOpenTerminal, QStringLiteral("nemo"), place.path() + QStringLiteral("/report.txt")).kind,
              Kind::Succeeded);

    const std::optional<QByteArray> started = test::readFifo(m_tools.path() + QStringLiteral("/terminal.fifo"), 10s);
    ASSERT_TRUE(started) << "the terminal did not start";
    EXPECT_EQ(QString::fromUtf8(*started), QFileInfo(place.path()).canonicalFilePath());
}

TEST_F(BuiltinScriptsTest, OpenInTerminalReadsTheLocationAndPutsTheClipboardBack)
{
    QTemporaryDir place;
    addTool(QStringLiteral("xclip"), kClipboardTool);
    addTool(QStringLiteral("xdotool"), kKeyTool);
    addTool(QStringLiteral("xterm"), kTerminal);
    ASSERT_TRUE(test::makeFifo(m_tools.path() + QStringLiteral("/terminal.fifo")));
    ASSERT_TRUE(test::writeFile(m_tools.path() + QStringLiteral("/clipboard"), "what the user copied"));
    m_env.set("DISPLAY", QStringLiteral(":99"));
    m_env.set("FAKE_SHOWN", place.path());

    ASSERT_EQ(run(kOpenTerminal, QStringLiteral("pcmanfm")).kind, Kind::Succeeded) << lastError().toStdString();

    const std::optional<QByteArray> started = test::readFifo(m_tools.path() + QStringLiteral("/terminal.fifo"), 10s);
    ASSERT_TRUE(started) << "the terminal did not start";
    EXPECT_EQ(QString::fromUtf8(*started), QFileInfo(place.path()).canonicalFilePath());
    EXPECT_EQ(fakeFile(QStringLiteral("clipboard")), QByteArray("what the user copied"));
}

struct LocationCase
{
    const char *name;
    QByteArray copiedBefore; // the clipboard when the script starts ("" for an empty one)
    QString shown;           // what the file manager's location bar copies
    QString messagePart;
};
void PrintTo(const LocationCase &row, std::ostream *out) { *out << row.name; }

class OpenInTerminalLocationTest : public BuiltinScriptsTest, public ::testing::WithParamInterface<LocationCase>
{
};

// Without a document, only what the file manager itself copied may choose the folder: stale clipboard text
// naming a real folder is never opened, and a location that is no folder here is said to be none.
TEST_P(OpenInTerminalLocationTest, OpensOnlyAnExistingLocationTheFileManagerGave)
{
    addTool(QStringLiteral("xclip"), kClipboardTool);
    addTool(QStringLiteral("xdotool"), kKeyTool);
    addTool(QStringLiteral("xterm"), kTerminal);
    if (!GetParam().copiedBefore.isEmpty()) {
        ASSERT_TRUE(test::writeFile(m_tools.path() + QStringLiteral("/clipboard"), GetParam().copiedBefore));
    }
    m_env.set("DISPLAY", QStringLiteral(":99"));
    m_env.set("FAKE_SHOWN", GetParam().shown);

    EXPECT_EQ(run(kOpenTerminal, QStringLiteral("pcmanfm")).kind, Kind::Failed);
    EXPECT_TRUE(lastError().contains(GetParam().messagePart)) << lastError().toStdString();
    EXPECT_FALSE(lastError().contains(u"install"_qs)) << lastError().toStdString();
    EXPECT_EQ(fakeFile(QStringLiteral("clipboard")), GetParam().copiedBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Clipboards, OpenInTerminalLocationTest,
    ::testing::Values(
        LocationCase{"EmptyClipboardNothingCopied", "", QString(), u"did not tell its folder"_qs},
        LocationCase{"StaleFolderInClipboardNothingCopied", "/tmp", QString(), u"did not tell its folder"_qs},
        LocationCase{"CopiedTextIsNoPath", "", u"Recent"_qs, u"is not a folder on this computer"_qs},
        LocationCase{"CopiedPathIsGone", "", u"/nonexistent/tavolin-folder"_qs, u"does not exist"_qs}),
    [](const auto &info) { return std::string(info.param.name); });

struct GsettingsCase
{
    const char *name;
    QString app;
    QString schema;
    QString key;
};
void PrintTo(const GsettingsCase &row, std::ostream *out) { *out << row.name; }

class HiddenFilesSettingTest : public BuiltinScriptsTest, public ::testing::WithParamInterface<GsettingsCase>
{
};

TEST_P(HiddenFilesSettingTest, TogglesTheFileManagersSetting)
{
    addTool(QStringLiteral("gsettings"), kGsettings);
    m_env.set("FAKE_SCHEMA", GetParam().schema);
    const QString state = GetParam().schema + QLatin1Char('.') + GetParam().key;

    ASSERT_EQ(run(kHidden, GetParam().app).kind, Kind::Succeeded) << lastError().toStdString();
    EXPECT_EQ(fakeFile(state), QByteArray("true"));
    ASSERT_EQ(run(kHidden, GetParam().app).kind, Kind::Succeeded);
    EXPECT_EQ(fakeFile(state), QByteArray("false"));
}

INSTANTIATE_TEST_SUITE_P(
    FileManagers, HiddenFilesSettingTest,
    ::testing::Values(
        GsettingsCase{"NautilusGtk4", QStringLiteral("nautilus"), QStringLiteral("org.gtk.gtk4.Settings.FileChooser"),
                      QStringLiteral("show-hidden")},
        GsettingsCase{"NautilusGtk3", QStringLiteral("nautilus"), QStringLiteral("org.gtk.Settings.FileChooser"),
                      QStringLiteral("show-hidden")},
        GsettingsCase{"Nemo", QStringLiteral("nemo"), QStringLiteral("org.nemo.preferences"),
                      QStringLiteral("show-hidden-files")}),
    [](const auto &info) { return std::string(info.param.name); });

struct KeyCase
{
    const char *name;
    QString app;
    const char *displayVariable;
    QString tool;
    QByteArray expectedArgs;
};
void PrintTo(const KeyCase &row, std::ostream *out) { *out << row.name; }

class HiddenFilesKeyTest : public BuiltinScriptsTest, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(HiddenFilesKeyTest, SendsCtrlHToTheFileManager)
{
    addTool(GetParam().tool, kKeyTool);
    m_env.set(GetParam().displayVariable, QStringLiteral("somewhere"));

    ASSERT_EQ(run(kHidden, GetParam().app).kind, Kind::Succeeded) << lastError().toStdString();

    EXPECT_EQ(fakeFile(GetParam().tool + QStringLiteral(".args")), GetParam().expectedArgs);
}

INSTANTIATE_TEST_SUITE_P(
    FileManagers, HiddenFilesKeyTest,
    ::testing::Values(KeyCase{"ThunarOnX11", QStringLiteral("thunar"), "DISPLAY", QStringLiteral("xdotool"),
                              "key --clearmodifiers ctrl+h"},
                      KeyCase{"DolphinOnWayland", QStringLiteral("dolphin"), "WAYLAND_DISPLAY", QStringLiteral("wtype"),
                              "-M ctrl h -m ctrl"},
                      KeyCase{"NautilusWithoutGsettings", QStringLiteral("nautilus"), "DISPLAY",
                              QStringLiteral("xdotool"), "key --clearmodifiers ctrl+h"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
