// Opening a file with the target application's desktop entry, and the fallbacks, with a recording launcher
// over a private applications folder.
#include <gtest/gtest.h>

#include "platform/linux/DesktopWorkspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

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

    DesktopWorkspace workspace(QStringList installed = {u"gio"_s, u"example-edit"_s})
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
    EXPECT_TRUE(w.openFile(u"/home/u/my notes.txt"_s, byId("org.example.Edit")));
    ASSERT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_launched[0].program, u"example-edit"_s);
    EXPECT_EQ(m_launched[0].arguments, (QStringList{"--class=Example Editor", "file:///home/u/my%20notes.txt"}));
    EXPECT_EQ(m_launched[0].workingDir, u"/srv/work"_s);
}

// Found by name when the id is unknown; a hidden user entry hides the system one, by id and by name, and the
// default application opens.
TEST_F(DesktopWorkspaceTest, HiddenUserEntryHidesTheSystemOneAndTheDefaultApplicationOpens)
{
    EXPECT_EQ(workspace().commandForFile(u"/a.txt"_s, OpenWith{u"example-edit"_s, u"example editor"_s})->program,
              u"example-edit"_s);
    write(m_user.path(), "org.example.Edit.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=x %f\n");
    for (const OpenWith &with : {byId("org.example.Edit"), OpenWith{std::nullopt, u"Example Editor"_s}}) {
        const auto command = workspace().commandForFile(u"/a.txt"_s, with);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->program, u"gio"_s);
        EXPECT_EQ(command->arguments, (QStringList{"open", "/a.txt"}));
    }
}

TEST_F(DesktopWorkspaceTest, TerminalEntryGoesThroughGioLaunch)
{
    write(m_system.path(), "vi.desktop", "[Desktop Entry]\nType=Application\nName=Vi\nTerminal=true\nExec=vi %F\n");
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(u"/a.txt"_s, byId("vi"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, u"gio"_s);
    EXPECT_EQ(command->arguments, (QStringList{"launch", QDir(m_system.path()).filePath("vi.desktop"), "/a.txt"}));
}

TEST_F(DesktopWorkspaceTest, EntryWithoutFileCodesAndMissingTryExecFallBackToTheDefault)
{
    write(m_system.path(), "nofiles.desktop", "[Desktop Entry]\nType=Application\nName=N\nExec=nofiles --new\n");
    write(m_system.path(), "gone.desktop", "[Desktop Entry]\nType=Application\nName=G\nTryExec=gone\nExec=gone %f\n");
    write(m_system.path(), "link.desktop", "[Desktop Entry]\nType=Link\nName=L\nExec=link %f\n");
    write(m_system.path(), "bad.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=bad %z\n");
    DesktopWorkspace w = workspace({u"xdg-open"_s});
    for (const char *id : {"nofiles", "gone", "link", "bad", "missing"}) {
        const auto command = w.commandForFile(u"/a.txt"_s, byId(id));
        ASSERT_TRUE(command) << id;
        EXPECT_EQ(command->program, u"xdg-open"_s) << id;
        EXPECT_EQ(command->arguments, QStringList{"/a.txt"}) << id;
    }
}

TEST_F(DesktopWorkspaceTest, IdsThatCouldLeaveTheFolderAreNotLookedUp)
{
    write(m_user.path(), "evil.desktop", "[Desktop Entry]\nType=Application\nName=E\nExec=evil %f\n");
    QDir(m_system.path()).mkdir(u"sub"_s);
    DesktopWorkspace w = workspace({u"gio"_s, u"evil"_s});
    for (const QString &id : {u"../"_s + QFileInfo(m_user.path()).fileName() + u"/evil"_s, u".hidden"_s, QString()}) {
        const auto command = w.commandForFile(u"/a.txt"_s, OpenWith{id, std::nullopt});
        ASSERT_TRUE(command);
        EXPECT_EQ(command->program, u"gio"_s) << id.toStdString();
    }
}

TEST_F(DesktopWorkspaceTest, RelativeAndOptionLikePathsAreMadeAbsolute)
{
    DesktopWorkspace w = workspace();
    const auto command = w.commandForFile(u"--help"_s, OpenWith{});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->arguments.last(), QDir::current().absoluteFilePath(u"--help"_s));
    EXPECT_TRUE(command->arguments.last().startsWith(QLatin1Char('/')));
}

TEST_F(DesktopWorkspaceTest, NothingToOpenOrNothingToOpenWith)
{
    DesktopWorkspace none = workspace({});
    EXPECT_FALSE(none.openFile(u"/a.txt"_s, OpenWith{}));
    DesktopWorkspace w = workspace();
    EXPECT_FALSE(w.openFile(QString(), byId("org.example.Edit")));
    EXPECT_TRUE(m_launched.empty());
    m_launchSucceeds = false;
    EXPECT_FALSE(w.openFile(u"/a.txt"_s, byId("org.example.Edit")));
}

TEST_F(DesktopWorkspaceTest, OpenUrlAcceptsWebAndMailAddressesOnly)
{
    DesktopWorkspace w = workspace();
    EXPECT_TRUE(w.openUrl(QUrl(u"https://example.org/a b"_s)));
    ASSERT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_launched[0].arguments, (QStringList{"open", "https://example.org/a%20b"}));
    EXPECT_FALSE(w.openUrl(QUrl(u"javascript:alert(1)"_s)));
    EXPECT_FALSE(w.openUrl(QUrl(u"-x"_s)));
    EXPECT_FALSE(w.openUrl(QUrl()));
    EXPECT_EQ(m_launched.size(), 1u);
}

} // namespace
} // namespace tavolin
