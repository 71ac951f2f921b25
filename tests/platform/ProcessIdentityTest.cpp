#include "platform/linux/ProcessIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tavolin {
namespace {

// A fake /proc and a folder of .desktop files.
class ProcessIdentityTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_options.procRoot = m_dir.filePath(QStringLiteral("proc"));
        m_options.applicationDirs = {m_dir.filePath(QStringLiteral("local")), m_dir.filePath(QStringLiteral("system"))};
    }

    void addProcess(int pid, const QString &exe, char state = 'S')
    {
        const QString dir = QStringLiteral("%1/%2").arg(m_options.procRoot).arg(pid);
        QDir().mkpath(dir);
        write(dir + QStringLiteral("/stat"), QStringLiteral("%1 (a (b) c) %2 1 1").arg(pid).arg(QLatin1Char(state)));
        QFile::link(exe, dir + QStringLiteral("/exe"));
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
    addProcess(42, QStringLiteral("/usr/bin/mousepad"));
    addDesktop(QStringLiteral("system"), QStringLiteral("org.xfce.mousepad.desktop"),
               QStringLiteral("[Desktop Entry]\nName=Mousepad\nIcon=org.xfce.mousepad\nExec=mousepad %U\n"
                              "[Desktop Action window]\nName=New Window\n"));
    const auto app = ProcessIdentity::runningApp(42, std::nullopt, m_options, QByteArray("LANG=de_DE.UTF-8\0", 17));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->appName, QStringLiteral("mousepad"));
    EXPECT_EQ(app->bundleIdentifier, QStringLiteral("org.xfce.mousepad"));
    EXPECT_EQ(app->name, QStringLiteral("Mousepad")); // not the action's Name
    EXPECT_EQ(app->iconName, QStringLiteral("org.xfce.mousepad"));
    EXPECT_EQ(app->preferredLanguage, QStringLiteral("de_DE.UTF-8"));
    EXPECT_EQ(app->textDomains, (QStringList{QStringLiteral("mousepad"), QStringLiteral("gtk30")}));
    EXPECT_EQ(app->localeDirs.value(0), QStringLiteral("/usr/share/locale"));
}

TEST_F(ProcessIdentityTest, WindowClassBeatsExecMatch)
{
    addProcess(7, QStringLiteral("/opt/tool/bin/tool"));
    addDesktop(QStringLiteral("system"), QStringLiteral("by-exec.desktop"), QStringLiteral("[Desktop Entry]\nName=ByExec\nExec=/opt/tool/bin/tool\n"));
    addDesktop(QStringLiteral("system"), QStringLiteral("by-class.desktop"),
               QStringLiteral("[Desktop Entry]\nName=ByClass\nExec=launcher\nStartupWMClass=ToolWin\n"));
    const auto app = ProcessIdentity::runningApp(7, QStringLiteral("toolwin"), m_options, {});
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, QStringLiteral("by-class"));
    EXPECT_EQ(app->localeDirs.value(0), QStringLiteral("/opt/tool/share/locale"));
    const auto withoutClass = ProcessIdentity::runningApp(7, std::nullopt, m_options, {});
    ASSERT_TRUE(withoutClass);
    EXPECT_EQ(withoutClass->bundleIdentifier, QStringLiteral("by-exec"));
}

// The parsed files are kept between lookups (one per show): a file installed, edited or removed since the
// last lookup must count at the next.
TEST_F(ProcessIdentityTest, DesktopFilesChangedBetweenLookupsAreSeen)
{
    addProcess(8, QStringLiteral("/usr/bin/pad"));
    const auto name = [this] {
        const auto app = ProcessIdentity::runningApp(8, std::nullopt, m_options, {});
        return (app ? app->name.value_or(QStringLiteral("(none)")) + QLatin1Char('/') + app->bundleIdentifier.value_or(QString())
                    : QStringLiteral("(gone)"))
            .toStdString();
    };
    EXPECT_EQ(name(), "(none)/pad");
    addDesktop(QStringLiteral("system"), QStringLiteral("org.example.pad.desktop"), QStringLiteral("[Desktop Entry]\nName=Pad\nExec=pad\n"));
    EXPECT_EQ(name(), "Pad/org.example.pad") << "installed";
    addDesktop(QStringLiteral("system"), QStringLiteral("org.example.pad.desktop"), QStringLiteral("[Desktop Entry]\nName=Pad Two\nExec=pad\n"));
    EXPECT_EQ(name(), "Pad Two/org.example.pad") << "edited in place";
    addDesktop(QStringLiteral("local"), QStringLiteral("org.example.pad.desktop"), QStringLiteral("[Desktop Entry]\nName=Mine\nExec=pad\n"));
    EXPECT_EQ(name(), "Mine/org.example.pad") << "overridden in the user's folder";
    ASSERT_TRUE(QFile::remove(m_dir.filePath(QStringLiteral("local/org.example.pad.desktop"))));
    ASSERT_TRUE(QFile::remove(m_dir.filePath(QStringLiteral("system/org.example.pad.desktop"))));
    EXPECT_EQ(name(), "(none)/pad") << "removed";
}

TEST_F(ProcessIdentityTest, HiddenEntryIsSkippedAndExecutableNameStandsIn)
{
    addProcess(11, QStringLiteral("/usr/bin/ghost"));
    addDesktop(QStringLiteral("system"), QStringLiteral("ghost.desktop"), QStringLiteral("[Desktop Entry]\nName=Ghost\nHidden=true\n"));
    const auto app = ProcessIdentity::runningApp(11, std::nullopt, m_options, {});
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, QStringLiteral("ghost"));
    EXPECT_EQ(app->name, std::nullopt);
}

TEST_F(ProcessIdentityTest, ZombieAndMissingProcessesAreGone)
{
    addProcess(13, QStringLiteral("/usr/bin/dead"), 'Z');
    EXPECT_FALSE(ProcessIdentity::isAlive(13, m_options.procRoot));
    EXPECT_EQ(ProcessIdentity::runningApp(13, std::nullopt, m_options, {}), std::nullopt);
    EXPECT_FALSE(ProcessIdentity::isAlive(99999, m_options.procRoot));
    EXPECT_FALSE(ProcessIdentity::isAlive(0, m_options.procRoot));
}

TEST(ProcessIdentityRealTest, ThisProcessIsFoundByItsExecutable)
{
    const auto app = ProcessIdentity::runningApp(int32_t(getpid()));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->appName, QStringLiteral("tavolin_platform_tests"));
}

struct LanguageCase
{
    const char *name;
    QByteArray environment;
    std::optional<QString> expected;
};

class LanguageTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageTest, PicksTheFirstSetVariable)
{
    EXPECT_EQ(ProcessIdentity::languageFromEnvironment(GetParam().environment), GetParam().expected);
}

QByteArray env(std::initializer_list<const char *> entries)
{
    QByteArray block;
    for (const char *e : entries)
        block += QByteArray(e) + '\0';
    return block;
}

INSTANTIATE_TEST_SUITE_P(
    Environments, LanguageTest,
    testing::Values(LanguageCase{"LanguageListFirstEntry", env({"LANG=en_US.UTF-8", "LANGUAGE=zh_CN:en"}), QStringLiteral("zh_CN")},
                    LanguageCase{"LcAllBeatsLang", env({"LANG=en_US.UTF-8", "LC_ALL=de_DE.UTF-8"}), QStringLiteral("de_DE.UTF-8")},
                    LanguageCase{"LcMessagesBeatsLang", env({"LC_MESSAGES=ja_JP", "LANG=en_US"}), QStringLiteral("ja_JP")},
                    LanguageCase{"EmptyLanguageFallsThrough", env({"LANGUAGE=", "LANG=ko_KR"}), QStringLiteral("ko_KR")},
                    LanguageCase{"CLocaleIsNoLanguage", env({"LANG=C.UTF-8"}), std::nullopt},
                    LanguageCase{"Unset", env({"PATH=/bin"}), std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
