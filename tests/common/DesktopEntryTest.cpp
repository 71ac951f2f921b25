// Desktop entries as both programs read them: which file stands for an id, what its main group says, and
// which program its Exec line starts.
#include "common/DesktopEntry.h"

#include "CommonTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::writeFile;

TEST(DesktopEntryTest, ExecutableOfExecFindsTheProgram)
{
    const struct { const char *name; const char *exec; const char *executable; } rows[] = {
        {"plain with field code", "mousepad %U", "mousepad"},
        {"absolute path", "/usr/bin/geany --new-instance %F", "geany"},
        {"quoted path with space", "\"/opt/My App/bin/my-app\" %u", "my-app"},
        {"env prefix", "env GDK_BACKEND=x11 LANG=C gedit %U", "gedit"},
        {"env with option", "/usr/bin/env -i LANG=C pad", "pad"},
        {"open quote", "\"/opt/pad", ""},
        {"only field code", "%U", ""},
        {"empty", "", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(desktopentry::executableOfExec(QString::fromUtf8(row.exec)), QString::fromUtf8(row.executable)) << row.name;
}

TEST(DesktopEntryTest, ReadsOnlyTheMainGroupWithEscapesResolved)
{
    const desktopentry::Entry entry = desktopentry::parse(
        u"org.example.pad"_qs,
        "# comment\n[Desktop Entry]\r\nType=Application\nName=My\\sPad\nName[de]=Block\nName=Second\n"
        "Exec=pad %U\nTerminal=true\nStartupWMClass=PadWin\n[Desktop Action new]\nExec=other\nHidden=true\n");
    EXPECT_EQ(entry.id, QLatin1String("org.example.pad"));
    EXPECT_EQ(entry.type, QLatin1String("Application"));
    EXPECT_EQ(entry.name, QLatin1String("My Pad")); // the first value of a key given twice
    EXPECT_EQ(entry.exec, QLatin1String("pad %U"));
    EXPECT_EQ(entry.wmClass, QLatin1String("PadWin"));
    EXPECT_TRUE(entry.terminal);
    EXPECT_FALSE(entry.hidden); // an action's keys are not the entry's

    const desktopentry::Entry none = desktopentry::parse(u"x"_qs, "\xff\xfe garbage\nName=x\n");
    EXPECT_TRUE(none.name.isEmpty());
}

TEST(DesktopEntryTest, FirstFolderDecidesEachIdInPathOrder)
{
    QTemporaryDir root;
    const QString user = root.filePath(u"user"_qs);
    const QString system = root.filePath(u"system"_qs);
    writeFile(system + u"/zed.desktop"_qs, "[Desktop Entry]\n");
    writeFile(system + u"/kde/kate.desktop"_qs, "[Desktop Entry]\n");
    writeFile(system + u"/masked.desktop"_qs, "[Desktop Entry]\n");
    writeFile(user + u"/masked.desktop"_qs, "[Desktop Entry]\nHidden=true\n");
    writeFile(system + u"/notes.txt"_qs, "[Desktop Entry]\n");

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
    const QString huge = root.filePath(u"huge.desktop"_qs);
    writeFile(huge, "[Desktop Entry]\nName=" + QByteArray(desktopentry::kMaxFileSize, 'x') + "\n");
    EXPECT_FALSE(desktopentry::read(huge, u"huge"_qs));
    EXPECT_FALSE(desktopentry::read(root.filePath(u"gone.desktop"_qs), u"gone"_qs));
}

} // namespace
} // namespace tavolin
