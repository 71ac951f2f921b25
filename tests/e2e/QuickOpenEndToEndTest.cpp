// Quick open over Mousepad: a file Mousepad opened earlier is recorded by GTK in recently-used.xbel in the data
// folder it shares with the palette; over Mousepad showing another file of that folder, the quick-open hot key lists
// the earlier file under "Recent" and the folder's other files under "File Results" (groups read from the rows'
// accessible descriptions); typing picks one and Return has that same Mousepad open it. Past the folder walk's
// bound, a name typed exactly is still listed.
#include "EndToEndTest.h"
#include "MousepadRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

namespace tavolin::test {
namespace {

const QString kOpened = QStringLiteral("Opened");
const QString kRecent = QStringLiteral("Recent");
const QString kFileResults = QStringLiteral("File Results");
// Quick open on, under Ctrl+Shift+O.
const QJsonObject kQuickOpenSettings{{QStringLiteral("skipWelcome"), true},
                                     {QStringLiteral("quickOpen"), true},
                                     {QStringLiteral("open_shortcut"), QStringLiteral("cmd+shift+o")}};

// The group a row titled `title` is listed under, "" when it is not listed; "twice" when it is listed twice.
QString groupOf(const PanelContent &content, const QString &title)
{
    if (content.rows.count(title) > 1)
        return QStringLiteral("twice");
    const qsizetype row = content.rows.indexOf(title);
    return row < 0 ? QString() : content.groups.value(row);
}

class QuickOpenEndToEnd : public EndToEndTest
{
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (IsSkipped())
            return;
        if (!Mousepad::installed())
            GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
        ASSERT_TRUE(m_folder.isValid());
        for (const QString &name : {u"notes-alpha.txt"_qs, u"notes-beta.txt"_qs, u"other.txt"_qs, u"todo.md"_qs})
            ASSERT_TRUE(writeFile(file(name), name.toUtf8() + '\n'));
    }

    void TearDown() override
    {
        // A Mousepad that did not hand its file to ours would show it on its own: end it by its pid.
        // The folder's own name is letters, digits, "_" and "-": no pattern character to escape.
        const std::optional<QString> windows =
            xdotool({QStringLiteral("search"), QStringLiteral("--name"), QFileInfo(m_folder.path()).fileName()});
        for (const QString &window : windows ? windows->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList()) {
            const std::optional<QString> pid = xdotool({QStringLiteral("getwindowpid"), window});
            if (pid && pid->toLongLong() > 0 && pid->toLongLong() != m_mousepadPid)
                ::kill(pid_t(pid->toLongLong()), SIGTERM);
        }
    }

    QString file(const QString &name) const { return QDir(m_folder.path()).filePath(name); }

    // A desktop default for plain text that opens nothing: a file reaches Mousepad only when the palette
    // asks Mousepad itself, not the desktop's default handler.
    static bool installDecoyDefault(const PaletteRun &palette)
    {
        const QString applications = palette.dataHome() + QStringLiteral("/applications");
        return QDir().mkpath(applications) && QDir().mkpath(palette.configHome())
            && writeFile(applications + QStringLiteral("/tavolin-e2e-decoy.desktop"),
                         "[Desktop Entry]\nType=Application\nName=Decoy\nExec=true %f\nMimeType=text/plain;\n")
            && writeFile(palette.configHome() + QStringLiteral("/mimeapps.list"),
                         "[Default Applications]\ntext/plain=tavolin-e2e-decoy.desktop\n");
    }

    // Earlier: Mousepad opens `name` and GTK records it in the palette's recent-files list. --disable-server:
    // this one must not own the session's Mousepad name, which the next one takes.
    void recordRecentFile(const PaletteRun &palette, const QString &name)
    {
        const QString recentList = palette.dataHome() + QStringLiteral("/recently-used.xbel");
        const QByteArray url = QUrl::fromLocalFile(file(name)).toEncoded();
        const std::unique_ptr<Mousepad> earlier =
            Mousepad::start(palette.dataHome(), {QStringLiteral("--disable-server"), file(name)});
        ASSERT_TRUE(earlier);
        ASSERT_TRUE(waitFor([&] { return fileContent(recentList).contains(url); }, 15s))
            << "Mousepad did not record " << name.toStdString() << " in " << recentList.toStdString() << ":\n"
            << fileContent(recentList).toStdString();
        ASSERT_TRUE(earlier->stop());
    }

    // Now: Mousepad shows `name`, as the session's single Mousepad (a file handed to a new `mousepad` process
    // opens here), in the active window.
    void startMousepadShowing(const PaletteRun &palette, const QString &name, std::unique_ptr<Mousepad> &out)
    {
        out = Mousepad::start(palette.dataHome(), {file(name)});
        ASSERT_TRUE(out);
        m_mousepadPid = out->pid();
        const std::optional<QString> window = waitForWindowOf(out->pid());
        ASSERT_TRUE(window) << "Mousepad showed no window";
        ASSERT_TRUE(waitFor([&] { return Mousepad::showsFile(out->pid(), file(name)); }, 15s))
            << "Mousepad's windows: " << PanelProbe::frameTitles(out->pid()).join(u", "_qs).toStdString();
        ASSERT_TRUE(activate(*window));
    }

    QTemporaryDir m_folder;
    qint64 m_mousepadPid = 0;
};

TEST_F(QuickOpenEndToEnd, RecentAndFolderFilesAreListedAndReturnOpensTheChosenOneInTheSameApplication)
{
    const std::unique_ptr<PaletteRun> palette = startPalette(kQuickOpenSettings);
    ASSERT_TRUE(palette);
    ASSERT_TRUE(installDecoyDefault(*palette));

    ASSERT_NO_FATAL_FAILURE(recordRecentFile(*palette, u"notes-alpha.txt"_qs));
    std::unique_ptr<Mousepad> mousepad;
    ASSERT_NO_FATAL_FAILURE(startMousepadShowing(*palette, u"other.txt"_qs, mousepad));

    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+shift+o")));
    // The sources report one after another, and "File Results" can list the open document before "Opened"
    // has: the wait is for every file under the group it settles in, the first group that finds it.
    const QList<std::pair<QString, QString>> expectedGroups{{u"notes-alpha.txt"_qs, kRecent},
                                                            {u"notes-beta.txt"_qs, kFileResults},
                                                            {u"todo.md"_qs, kFileResults},
                                                            {u"other.txt"_qs, kOpened}};
    std::optional<PanelContent> content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return std::all_of(expectedGroups.begin(), expectedGroups.end(),
                           [&](const auto &expected) { return groupOf(panel, expected.first) == expected.second; });
    });
    ASSERT_TRUE(content) << "expected notes-alpha.txt under Recent, notes-beta.txt and todo.md under File Results, "
                            "other.txt once under Opened; the panel shows:\n" << panelAndLog(*palette);
    const qint64 listedMs = timer.elapsed();
    EXPECT_TRUE(content->input.isEmpty());

    ASSERT_TRUE(type(QStringLiteral("beta")));
    // Every source answers the new query in its own time: wait for the one row it leaves, selected.
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("beta") && panel.rows == QStringList{u"notes-beta.txt"_qs}
            && panel.selected == 0;
    });
    ASSERT_TRUE(content) << "expected notes-beta.txt alone and selected; the panel shows:\n" << panelNow(*palette);

    timer.restart();
    ASSERT_TRUE(pressReturn());
    // The decoy default opens nothing, so only Mousepad's own entry can bring the file here.
    EXPECT_TRUE(waitFor([&] { return Mousepad::showsFile(mousepad->pid(), file(u"notes-beta.txt"_qs)); }, 15s))
        << "Mousepad's windows: " << PanelProbe::frameTitles(mousepad->pid()).join(u", "_qs).toStdString()
        << "\n" << palette->log().toStdString();
    std::printf("quick open over mousepad: hot key to all groups listed %lld ms, Return to the file shown %lld ms\n",
                listedMs, timer.elapsed());
    EXPECT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

// Names file_000000, file_000001, … in `folder`: empty files and hard links to them, which cost a
// directory entry each and no inode, so a busy disk makes them quickly. A new file every 50,000 names stays
// below file systems' link limits (ext4: 65,000).
bool createNumberedFiles(const QString &folder, int count)
{
    constexpr int kLinksPerFile = 50'000;
    const QByteArray base = QFile::encodeName(folder) + "/file_";
    QByteArray target;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = base + QByteArray::number(i).rightJustified(6, '0');
        if (i % kLinksPerFile == 0) {
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
            target = path;
        } else if (::link(target.constData(), path.constData()) != 0) {
            return false;
        }
    }
    return true;
}

// Past the walk's bound of 200,000 entries: the exactly typed name is still found, and the list ends with a
// note that the search was cut short.
TEST_F(QuickOpenEndToEnd, AnExactlyTypedNameIsFoundPastTheWalksBoundAndTheCutIsNoted)
{
    const QString big = file(u"big"_qs);
    ASSERT_TRUE(QDir().mkpath(big));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(createNumberedFiles(big, 200'001));
    std::printf("created 200,001 files in %lld ms\n", timer.elapsed());

    const std::unique_ptr<PaletteRun> palette = startPalette(kQuickOpenSettings);
    ASSERT_TRUE(palette);
    std::unique_ptr<Mousepad> mousepad;
    ASSERT_NO_FATAL_FAILURE(startMousepadShowing(*palette, u"big/file_000000"_qs, mousepad));

    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+shift+o")));
    ASSERT_TRUE(waitForPanel(*palette, [](const PanelContent &panel) { return panel.input.isEmpty(); }))
        << panelNow(*palette);
    timer.restart();
    ASSERT_TRUE(type(QStringLiteral("file_199994")));
    const auto noted = [](const PanelContent &panel) {
        return std::any_of(panel.rows.begin(), panel.rows.end(),
                           [](const QString &row) { return row.startsWith(QLatin1String("Searched the first ")); });
    };
    const std::optional<PanelContent> content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return panel.input == QLatin1String("file_199994") && panel.rows.contains(u"file_199994"_qs) && noted(panel);
    }, 60s);
    ASSERT_TRUE(content) << "expected the row file_199994 and the note of the cut walk; the panel shows:\n"
                         << panelAndLog(*palette);
    std::printf("quick open in a folder of 200,001 files: typed name to its row and the note %lld ms\n", timer.elapsed());
    EXPECT_EQ(groupOf(*content, u"file_199994"_qs), kFileResults);
    EXPECT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
