#include "platform/linux/ProcessIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

// A fake /proc and a folder of .desktop files.
class ProcessIdentityTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_options.procRoot = m_dir.filePath(u"proc"_s);
        m_options.applicationDirs = {m_dir.filePath(u"local"_s), m_dir.filePath(u"system"_s)};
    }

    void addProcess(int pid, const QString &exe, char state = 'S')
    {
        const QString dir = u"%1/%2"_s.arg(m_options.procRoot).arg(pid);
        QDir().mkpath(dir);
        write(dir + u"/stat"_s, u"%1 (a (b) c) %2 1 1"_s.arg(pid).arg(QLatin1Char(state)));
        QFile::link(exe, dir + u"/exe"_s);
    }

    void addDesktop(const QString &dir, const QString &file, const QString &body)
    {
        QDir().mkpath(QFileInfo(m_dir.filePath(dir + QLatin1Char('/') + file)).path());
        write(m_dir.filePath(dir + QLatin1Char('/') + file), body);
    }

    static void write(const QString &path, const QString &text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QTemporaryDir m_dir;
    ProcessIdentity::Options m_options;
};

TEST_F(ProcessIdentityTest, DesktopIdEndingInExecutableNameGivesIdentity)
{
    addProcess(42, "/usr/bin/mousepad");
    addDesktop("system", "org.xfce.mousepad.desktop",
               QStringLiteral("[Desktop Entry]\nName=Mousepad\nIcon=org.xfce.mousepad\nExec=mousepad %U\n"
                              "[Desktop Action window]\nName=New Window\n"));
    const auto app = ProcessIdentity::runningApp(42, std::nullopt, m_options, QByteArray("LANG=de_DE.UTF-8\0", 17));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->appName, u"mousepad"_s);
    EXPECT_EQ(app->bundleIdentifier, u"org.xfce.mousepad"_s);
    EXPECT_EQ(app->name, u"Mousepad"_s); // not the action's Name
    EXPECT_EQ(app->iconName, u"org.xfce.mousepad"_s);
    EXPECT_EQ(app->preferredLanguage, u"de_DE.UTF-8"_s);
    EXPECT_EQ(app->textDomains, (QStringList{u"mousepad"_s, u"gtk30"_s}));
    EXPECT_EQ(app->localeDirs.value(0), u"/usr/share/locale"_s);
}

TEST_F(ProcessIdentityTest, WindowClassBeatsExecMatch)
{
    addProcess(7, "/opt/tool/bin/tool");
    addDesktop("system", "by-exec.desktop", "[Desktop Entry]\nName=ByExec\nExec=/opt/tool/bin/tool\n");
    addDesktop("system", "by-class.desktop",
               u"[Desktop Entry]\nName=ByClass\nExec=launcher\nStartupWMClass=ToolWin\n"_s);
    const auto app = ProcessIdentity::runningApp(7, u"toolwin"_s, m_options, {});
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, u"by-class"_s);
    EXPECT_EQ(app->localeDirs.value(0), u"/opt/tool/share/locale"_s);
    const auto withoutClass = ProcessIdentity::runningApp(7, std::nullopt, m_options, {});
    ASSERT_TRUE(withoutClass);
    EXPECT_EQ(withoutClass->bundleIdentifier, u"by-exec"_s);
}

// The parsed files are kept between lookups (one per show): a file installed, edited or removed since the
// last lookup must count at the next.
TEST_F(ProcessIdentityTest, DesktopFilesChangedBetweenLookupsAreSeen)
{
    addProcess(8, "/usr/bin/pad");
    const auto name = [this] {
        const auto app = ProcessIdentity::runningApp(8, std::nullopt, m_options, {});
        return (app ? app->name.value_or(u"(none)"_s) + QLatin1Char('/') + app->bundleIdentifier.value_or(QString())
                    : u"(gone)"_s)
            .toStdString();
    };
    EXPECT_EQ(name(), "(none)/pad");
    addDesktop("system", "org.example.pad.desktop", "[Desktop Entry]\nName=Pad\nExec=pad\n");
    EXPECT_EQ(name(), "Pad/org.example.pad") << "installed";
    addDesktop("system", "org.example.pad.desktop", "[Desktop Entry]\nName=Pad Two\nExec=pad\n");
    EXPECT_EQ(name(), "Pad Two/org.example.pad") << "edited in place";
    addDesktop("local", "org.example.pad.desktop", "[Desktop Entry]\nName=Mine\nExec=pad\n");
    EXPECT_EQ(name(), "Mine/org.example.pad") << "overridden in the user's folder";
    ASSERT_TRUE(QFile::remove(m_dir.filePath(u"local/org.example.pad.desktop"_s)));
    ASSERT_TRUE(QFile::remove(m_dir.filePath(u"system/org.example.pad.desktop"_s)));
    EXPECT_EQ(name(), "(none)/pad") << "removed";
}

TEST_F(ProcessIdentityTest, HiddenEntryIsSkippedAndExecutableNameStandsIn)
{
    addProcess(11, "/usr/bin/ghost");
    addDesktop("system", "ghost.desktop", "[Desktop Entry]\nName=Ghost\nHidden=true\n");
    const auto app = ProcessIdentity::runningApp(11, std::nullopt, m_options, {});
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, u"ghost"_s);
    EXPECT_EQ(app->name, std::nullopt);
}

TEST_F(ProcessIdentityTest, ZombieAndMissingProcessesAreGone)
{
    addProcess(13, "/usr/bin/dead", 'Z');
    EXPECT_FALSE(ProcessIdentity::isAlive(13, m_options.procRoot));
    EXPECT_EQ(ProcessIdentity::runningApp(13, std::nullopt, m_options, {}), std::nullopt);
    EXPECT_FALSE(ProcessIdentity::isAlive(99999, m_options.procRoot));
    EXPECT_FALSE(ProcessIdentity::isAlive(0, m_options.procRoot));
}

TEST(ProcessIdentityRealTest, ThisProcessIsFoundByItsExecutable)
{
    const auto app = ProcessIdentity::runningApp(int32_t(getpid()));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->appName, u"tavolin_platform_tests"_s);
}

QByteArray env(std::initializer_list<const char *> entries)
{
    QByteArray block;
    for (const char *e : entries)
        block += QByteArray(e) + '\0';
    return block;
}

TEST(ProcessIdentityLanguageTest, PicksTheFirstSetVariable)
{
    const std::pair<QByteArray, const char *> cases[] = {
        {env({"LANG=en_US.UTF-8", "LANGUAGE=zh_CN:en"}), "zh_CN"}, // a language list's first entry
        {env({"LANG=en_US.UTF-8", "LC_ALL=de_DE.UTF-8"}), "de_DE.UTF-8"},
        {env({"LC_MESSAGES=ja_JP", "LANG=en_US"}), "ja_JP"},
        {env({"LANGUAGE=", "LANG=ko_KR"}), "ko_KR"},
        {env({"LANG=C.UTF-8"}), nullptr},
        {env({"PATH=/bin"}), nullptr},
    };
    for (const auto &[environment, language] : cases)
        EXPECT_EQ(ProcessIdentity::languageFromEnvironment(environment),
                  language ? std::optional(QString::fromUtf8(language)) : std::nullopt)
            << environment.toStdString();
}

} // namespace
} // namespace tavolin
