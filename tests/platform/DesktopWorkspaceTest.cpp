// Opening a file with the target application's desktop entry, and the fallbacks, with a recording launcher
// over a private applications folder.
#include <gtest/gtest.h>

#include "platform/linux/DesktopWorkspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavolin {
namespace {

class DesktopWorkspaceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_user.isValid() && m_system.isValid());
        write(m_system.path(), "org.example.Edit.desktop",
              "[Desktop Entry]\nType=Application\nName=Example Editor\nIcon=org.example.Edit\n"
              "Exec=example-edit --class=%c %U\nPath=/srv/work\n"
              "[Desktop Action new]\nName=New Window\nExec=example-edit --new\n");
    }

    void write(const QString &dir, const QString &relative, const QByteArray &text)
    {
        const QString path = QDir(dir).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    DesktopWorkspace workspace(QStringList installed = {QStringLiteral("gio"), QStringLiteral("example-edit")})
    {
        DesktopWorkspace::Options options;
        options.applicationDirs = {m_user.path(), m_system.path()};
        options.launcher = [this](const DesktopCommand &command) {
            m_launched.push_back(command);
            return m_launchSucceeds;
        };
        options.programExists = [installed](const QString &program) { return installed.contains(program); };
        return DesktopWorkspace(options);
    }

    static OpenWith byId(const char *id) { return OpenWith{QString::fromUtf8(id), std::nullopt}; }

    QTemporaryDir m_user;
    QTemporaryDir m_system;
    std::vector<DesktopCommand> m_launched;
    bool m_launchSucceeds = true;
};

TEST_F(DesktopWorkspaceTest, OpensWithTheEntrysExecLineInItsWorkingFolder)
{
    DesktopWorkspace w = workspace();
    EXPECT_TRUE(w.openFile(QStringLiteral("/home/u/my notes.txt"), byId("org.example.Edit")));
    ASSERT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_launched[0].program, QStringLiteral("example-edit"));
    EXPECT_EQ(m_launched[0].arguments,
              (QStringList{QStringLiteral("--class=Example Editor"), QStringLiteral("file:///home/u/my%20notes.txt")}));
    EXPECT_EQ(m_launched[0].workingDir, QStringLiteral("/srv/work"));
}

TEST_F(DesktopWorkspaceTest, HiddenUserEntryHidesTheSystemOneAndTheDefaultApplicationOpens)
{
    write(m_user.path(), "org.example.Edit.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=x %f\n");
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(QStringLiteral("/a.txt"), byId("org.example.Edit"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, QStringLiteral("gio"));
    EXPECT_EQ(command->arguments, (QStringList{QStringLiteral("open"), QStringLiteral("/a.txt")}));
}

TEST_F(DesktopWorkspaceTest, HiddenUserEntryIsNotFoundAgainByName)
{
    write(m_user.path(), "org.example.Edit.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=x %f\n");
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(QStringLiteral("/a.txt"), OpenWith{std::nullopt, QStringLiteral("Example Editor")});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, QStringLiteral("gio"));
}

TEST_F(DesktopWorkspaceTest, FoundByNameWhenTheIdIsUnknown)
{
    DesktopWorkspace w = workspace();
    const auto command =
        w.commandForFile(QStringLiteral("/a.txt"), OpenWith{QStringLiteral("example-edit"), QStringLiteral("example editor")});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, QStringLiteral("example-edit"));
}

TEST_F(DesktopWorkspaceTest, TerminalEntryGoesThroughGioLaunch)
{
    write(m_system.path(), "vi.desktop", "[Desktop Entry]\nType=Application\nName=Vi\nTerminal=true\nExec=vi %F\n");
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(QStringLiteral("/a.txt"), byId("vi"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, QStringLiteral("gio"));
    EXPECT_EQ(command->arguments,
              (QStringList{QStringLiteral("launch"), QDir(m_system.path()).filePath(QStringLiteral("vi.desktop")),
                           QStringLiteral("/a.txt")}));
}

TEST_F(DesktopWorkspaceTest, EntryWithoutFileCodesAndMissingTryExecFallBackToTheDefault)
{
    write(m_system.path(), "nofiles.desktop", "[Desktop Entry]\nType=Application\nName=N\nExec=nofiles --new\n");
    write(m_system.path(), "gone.desktop", "[Desktop Entry]\nType=Application\nName=G\nTryExec=gone\nExec=gone %f\n");
    write(m_system.path(), "link.desktop", "[Desktop Entry]\nType=Link\nName=L\nExec=link %f\n");
    write(m_system.path(), "bad.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=bad %z\n");
    DesktopWorkspace w = workspace({QStringLiteral("xdg-open")});
    for (const char *id : {"nofiles", "gone", "link", "bad", "missing"}) {
        const auto command = w.commandForFile(QStringLiteral("/a.txt"), byId(id));
        ASSERT_TRUE(command) << id;
        EXPECT_EQ(command->program, QStringLiteral("xdg-open")) << id;
        EXPECT_EQ(command->arguments, QStringList{QStringLiteral("/a.txt")}) << id;
    }
}

TEST_F(DesktopWorkspaceTest, IdsThatCouldLeaveTheFolderAreNotLookedUp)
{
    write(m_user.path(), "evil.desktop", "[Desktop Entry]\nType=Application\nName=E\nExec=evil %f\n");
    QDir(m_system.path()).mkdir(QStringLiteral("sub"));
    DesktopWorkspace w = workspace({QStringLiteral("gio"), QStringLiteral("evil")});
    for (const QString &id : {QStringLiteral("../") + QFileInfo(m_user.path()).fileName() + QStringLiteral("/evil"),
                              QStringLiteral(".hidden"), QString()}) {
        const auto command = w.commandForFile(QStringLiteral("/a.txt"), OpenWith{id, std::nullopt});
        ASSERT_TRUE(command);
        EXPECT_EQ(command->program, QStringLiteral("gio")) << id.toStdString();
    }
}

TEST_F(DesktopWorkspaceTest, RelativeAndOptionLikePathsAreMadeAbsolute)
{
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(QStringLiteral("--help"), OpenWith{});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->arguments.last(), QDir::current().absoluteFilePath(QStringLiteral("--help")));
    EXPECT_TRUE(command->arguments.last().startsWith(QLatin1Char('/')));
}

TEST_F(DesktopWorkspaceTest, NothingToOpenOrNothingToOpenWith)
{
    DesktopWorkspace none = workspace({});
    EXPECT_FALSE(none.openFile(QStringLiteral("/a.txt"), OpenWith{}));
    DesktopWorkspace w = workspace();
    EXPECT_FALSE(w.openFile(QString(), byId("org.example.Edit")));
    EXPECT_TRUE(m_launched.empty());
    m_launchSucceeds = false;
    EXPECT_FALSE(w.openFile(QStringLiteral("/a.txt"), byId("org.example.Edit")));
}

TEST_F(DesktopWorkspaceTest, OpenUrlAcceptsWebAndMailAddressesOnly)
{
    DesktopWorkspace w = workspace();
    EXPECT_TRUE(w.openUrl(QUrl(QStringLiteral("https://example.org/a b"))));
    ASSERT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_launched[0].arguments, (QStringList{QStringLiteral("open"), QStringLiteral("https://example.org/a%20b")}));
    EXPECT_FALSE(w.openUrl(QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_FALSE(w.openUrl(QUrl(QStringLiteral("-x"))));
    EXPECT_FALSE(w.openUrl(QUrl()));
    EXPECT_EQ(m_launched.size(), 1u);
}

} // namespace
} // namespace tavolin
