// Desktop entries as both programs read them: which file stands for an id, what its main group says, and
// which program its Exec line starts.
#include "common/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

struct ExecRow
{
    const char *name;
    const char *exec;
    const char *executable;
};

class ExecutableOfExecTest : public ::testing::TestWithParam<ExecRow>
{
};

TEST_P(ExecutableOfExecTest, FindsTheProgram)
{
    EXPECT_EQ(desktopentry::executableOfExec(QString::fromUtf8(GetParam().exec)),
              QString::fromUtf8(GetParam().executable));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExecutableOfExecTest,
    ::testing::Values(ExecRow{"PlainWithFieldCode", "mousepad %U", "mousepad"},
                      ExecRow{"AbsolutePath", "/usr/bin/geany --new-instance %F", "geany"},
                      ExecRow{"QuotedPathWithSpace", "\"/opt/My App/bin/my-app\" %u", "my-app"},
                      ExecRow{"EnvPrefix", "env GDK_BACKEND=x11 LANG=C gedit %U", "gedit"},
                      ExecRow{"EnvWithOption", "/usr/bin/env -i LANG=C pad", "pad"},
                      ExecRow{"OpenQuote", "\"/opt/pad", ""},
                      ExecRow{"OnlyFieldCode", "%U", ""}, ExecRow{"Empty", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DesktopEntryTest, ReadsOnlyTheMainGroupWithEscapesResolved)
{
    const desktopentry::Entry entry = desktopentry::parse(
        QStringLiteral("org.example.pad"),
        "# comment\n[Desktop Entry]\r\nType=Application\nName=My\\sPad\nName[de]=Block\nName=Second\n"
        "Exec=pad %U\nTerminal=true\nStartupWMClass=PadWin\n[Desktop Action new]\nExec=other\nHidden=true\n");
    EXPECT_EQ(entry.id, QLatin1String("org.example.pad"));
    EXPECT_EQ(entry.type, QLatin1String("Application"));
    EXPECT_EQ(entry.name, QLatin1String("My Pad")); // the first value of a key given twice
    EXPECT_EQ(entry.exec, QLatin1String("pad %U"));
    EXPECT_EQ(entry.wmClass, QLatin1String("PadWin"));
    EXPECT_TRUE(entry.terminal);
    EXPECT_FALSE(entry.hidden); // an action's keys are not the entry's

    const desktopentry::Entry none = desktopentry::parse(QStringLiteral("x"), "\xff\xfe garbage\nName=x\n");
    EXPECT_TRUE(none.name.isEmpty());
}

TEST(DesktopEntryTest, FirstFolderDecidesEachIdInPathOrder)
{
    QTemporaryDir root;
    const QString user = root.filePath(QStringLiteral("user"));
    const QString system = root.filePath(QStringLiteral("system"));
    writeFile(system + QStringLiteral("/zed.desktop"), "[Desktop Entry]\n");
    writeFile(system + QStringLiteral("/kde/kate.desktop"), "[Desktop Entry]\n");
    writeFile(system + QStringLiteral("/masked.desktop"), "[Desktop Entry]\n");
    writeFile(user + QStringLiteral("/masked.desktop"), "[Desktop Entry]\nHidden=true\n");
    writeFile(system + QStringLiteral("/notes.txt"), "[Desktop Entry]\n");

    QStringList visited;
    desktopentry::forEachFile({user, system}, [&](const QString &path, const QString &id) {
        visited << QDir(root.path()).relativeFilePath(path) + QLatin1Char('=') + id;
        return true;
    });
    EXPECT_EQ(visited, (QStringList{u"user/masked.desktop=masked"_qs, u"system/kde/kate.desktop=kde-kate"_qs,
                                    u"system/zed.desktop=zed"_qs}));

    int calls = 0;
    desktopentry::forEachFile({user, system}, [&](const QString &, const QString &) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
}

TEST(DesktopEntryTest, RefusesMissingAndHugeFiles)
{
    QTemporaryDir root;
    const QString huge = root.filePath(QStringLiteral("huge.desktop"));
    writeFile(huge, "[Desktop Entry]\nName=" + QByteArray(desktopentry::kMaxFileSize, 'x') + "\n");
    EXPECT_FALSE(desktopentry::read(huge, QStringLiteral("huge")));
    EXPECT_FALSE(desktopentry::read(root.filePath(QStringLiteral("gone.desktop")), QStringLiteral("gone")));
}

} // namespace
} // namespace tavolin
