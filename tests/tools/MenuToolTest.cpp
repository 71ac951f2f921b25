// The terminal tool's commands over a fake element source: what list, search and perform print and do, and
// the exit code and message of every kind of failure.
#include <gtest/gtest.h>

#include "ToolTestSupport.h"

#include "common/Dispatcher.h"
#include "support/FakeElementSource.h"
#include "tools/MenuRows.h"
#include "tools/MenuTool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace tavolin::menutool {
namespace {

using namespace Qt::StringLiterals;

constexpr int32_t kPid = 4300;
const QString kBarless = u"4301"_s;
const QString kLazy = u"4302"_s;
const QString kHostile = u"4303"_s;

QJsonObject json(const QByteArray &text) { return QJsonDocument::fromJson(text).object(); }

// Notes: File: New (Ctrl+N), Save As… (Ctrl+Shift+S), Revert (disabled), ---, Recent > [notes.txt];
// View: Word Wrap (checked), Reload (F5 by virtual key 96). Bare has no menu bar; Lazy's menus fill only
// when they open, as Firefox's; Hostile's titles hold terminal escapes: a colour change, a window title
// set, a bell, a C1 CSI.
const char *const kApplications[] = {
    R"({"title": "Notes", "pid": 4300, "appName": "notes", "menuBar": [
        {"title": "File", "menu": [{"title": "New", "cmdChar": "N", "modifiers": 0},
            {"title": "Save As…", "cmdChar": "S", "modifiers": 1}, {"title": "Revert", "enabled": false},
            {"separator": true}, {"title": "Recent", "menu": [{"title": "notes.txt"}]}]},
        {"title": "View", "menu": [{"title": "Word Wrap", "mark": "✓"},
            {"title": "Reload", "virtualKey": 96, "modifiers": 8}]}]})",
    R"({"title": "Bare", "pid": 4301})",
    R"({"title": "Lazy", "pid": 4302, "menuBar": [{"title": "File", "menu": []}, {"title": "Edit", "menu": []}]})",
    R"({"title": "Hostile\u001b[2J", "pid": 4303, "menuBar": [{"title": "Vi\u001b[5mew", "menu": [
        {"title": "\u001b[31mRed\u001b[0m Wrap\u0007"}, {"title": "\u001b]0;owned\u0007Wrap\u009b2J"}]}]})",
};

class FakePlatform final : public ToolPlatform
{
public:
    FakePlatform() : source(std::make_shared<FakeElementSource>())
    {
        source->setRealTime(false);
        for (const char *application : kApplications)
            EXPECT_TRUE(source->addApplication(json(application))) << application;
        source->setFocusedApplication(kPid);
    }

    Target application(std::optional<int32_t> pid) override
    {
        asked.push_back(pid);
        Target target;
        target.source = source;
        target.application = source->applicationElement(pid.value_or(kPid));
        if (!target.application) {
            target.code = ExitCode::NoApplication;
            target.message = u"no such process"_s;
        }
        return target;
    }
    void flushPresses() override { ++flushes; }

    std::shared_ptr<FakeElementSource> source;
    std::vector<std::optional<int32_t>> asked;
    int flushes = 0;
};

// No character a terminal acts on: C0 controls but `allowed`, DEL and C1 controls.
void expectNoControls(const QString &text, const QString &allowed, const std::string &where)
{
    for (const QChar c : text)
        EXPECT_FALSE((c.unicode() < 0x20 && !allowed.contains(c)) || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            << where << ": control character " << int(c.unicode()) << " in " << text.toStdString();
}

class MenuToolTest : public testing::Test
{
protected:
    ToolRun run(QStringList arguments)
    {
        arguments.prepend(u"tavolin-menu"_s);
        ToolRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        static QtDispatcher dispatcher; // a read cut by its bound may still queue work after the run
        MenuTool tool(*platform, dispatcher);
        result.code = tool.run(arguments, out, err);
        out.flush();
        err.flush();
        return result;
    }
    // A rows file holding `text`, in the test's own folder.
    QString rowsFile(const QByteArray &text)
    {
        QFile file(dir.filePath(u"rows.txt"_s));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    }

    std::unique_ptr<FakePlatform> platform = std::make_unique<FakePlatform>();
    QTemporaryDir dir;
};

// Text and JSON; without --pid the focused application is asked for.
TEST_F(MenuToolTest, ListPrintsEveryRowInMenuOrderMarkingDisabledOnes)
{
    const ToolRun r = run({"list"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"File > New\tCtrl+N\nFile > Save As…\tCtrl+Shift+S\nFile > Revert\t\tdisabled\n"
                     u"File > Recent\t\tsubmenu\nFile > Recent > notes.txt\nView > Word Wrap\t\tchecked\n"
                     u"View > Reload\tF5\n"_s);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

    const ToolRun j = run({"list", "--json", "--pid", QString::number(kPid)});
    ASSERT_EQ(j.code, 0) << j.err.toStdString();
    const QJsonObject document = json(j.out.toUtf8());
    EXPECT_EQ(document[u"application"_s][u"name"_s].toString(), u"Notes"_s);
    EXPECT_EQ(document[u"application"_s][u"pid"_s].toInt(), kPid);
    EXPECT_TRUE(document[u"format"_s].isDouble()) << "scripts check the format's version";
    const QJsonArray rows = document[u"rows"_s].toArray();
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[1][u"shortcut"_s].toString(), u"Ctrl+Shift+S"_s);
    EXPECT_TRUE(rows[3][u"submenu"_s].toBool());
    EXPECT_TRUE(rows[5][u"checked"_s].toBool());
    for (const QJsonValue &row : rows)
        EXPECT_EQ(row[u"enabled"_s].toBool(true), row[u"title"_s].toString() != u"Revert"_s)
            << QJsonDocument(row.toObject()).toJson().toStdString();
    EXPECT_EQ(platform->asked, (std::vector<std::optional<int32_t>>{std::nullopt, kPid}));
}

TEST_F(MenuToolTest, SearchRanksWithScoresHonoursTheLimitAndExitsOneWithoutMatches)
{
    const ToolRun r = run({"search", "save as"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].endsWith(u"\tFile > Save As…\tCtrl+Shift+S"_s)) << lines[0].toStdString();
    double previous = 2;
    for (const QString &line : lines) {
        bool ok = false;
        const double score = line.section(u'\t', 0, 0).toDouble(&ok);
        EXPECT_TRUE(ok && score > 0.4 && score <= previous) << line.toStdString();
        previous = score;
    }
    EXPECT_EQ(run({"search", "e", "--limit", "1"}).out.count(u'\n'), 1);
    const ToolRun none = run({"search", "qqqq"});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(none.out.isEmpty());
}

TEST_F(MenuToolTest, PerformJsonTellsWhatWasPerformed)
{
    const ToolRun done = run({"perform", "file > save as...", "--json"});
    EXPECT_EQ(done.code, 0) << done.err.toStdString();
    const QJsonObject performed = json(done.out.toUtf8());
    EXPECT_TRUE(performed[u"performed"_s].toBool()) << done.out.toStdString();
    EXPECT_EQ(performed[u"row"_s][u"title"_s].toString(), u"Save As…"_s);
    EXPECT_TRUE(performed[u"error"_s].isNull());
    EXPECT_EQ(performed[u"application"_s][u"pid"_s].toInt(), kPid);
    EXPECT_EQ(platform->source->performed(), QStringList{u"Save As…:AXPress"_s});
}

// Each row: the exit code and a part of the message, and in JSON the row when there is one (disabled) or
// the command and an error; nothing is pressed.
TEST_F(MenuToolTest, PerformOfWhatIsNoCommandPressesNothing)
{
    const struct
    {
        const char *path;
        int code;
        const char *message;
    } cases[] = {
        {"file > revert", 10, "\"File > Revert\" is disabled in Notes (pid 4300): the application does not offer it now"},
        {"File > Recent", 1, "is a submenu"},
        {"File", 1, "no command"},
        {"Edit > Paste", 1, "no command"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const ToolRun r = run({"perform", c.path});
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        const ToolRun j = run({"perform", c.path, "--json"});
        EXPECT_EQ(j.code, c.code);
        const QJsonObject result = json(j.out.toUtf8());
        EXPECT_FALSE(result[u"performed"_s].toBool(true)) << j.out.toStdString();
        if (c.code == 10) {
            EXPECT_FALSE(result[u"row"_s][u"enabled"_s].toBool(true)) << j.out.toStdString();
        } else {
            EXPECT_TRUE(result[u"row"_s].isNull()) << j.out.toStdString();
            EXPECT_EQ(result[u"command"_s].toString(), QString::fromUtf8(c.path));
            EXPECT_FALSE(result[u"error"_s].toString().isEmpty()) << j.out.toStdString();
        }
    }
    EXPECT_TRUE(platform->source->performed().isEmpty());
    EXPECT_EQ(platform->flushes, 0);
}

TEST_F(MenuToolTest, PerformOfAnItemTheApplicationDestroyedFailsClearly)
{
    platform->source->setPressOutcome(u"Save As…"_s, AXError::InvalidElement);
    const ToolRun r = run({"perform", "File > Save As…"});
    EXPECT_EQ(r.code, 6);
    EXPECT_TRUE(r.err.contains(u"cannot perform \"File > Save As…\": the menu item is gone"_s)) << r.err.toStdString();
}

TEST_F(MenuToolTest, PerformOnAVanishedApplicationFailsClearly)
{
    platform->source->vanishAfter(kPid, 200); // enough to read the menus, gone by the press
    ASSERT_EQ(run({"list"}).code, 0);
    platform->source->vanishAfter(kPid, 0);
    EXPECT_NE(run({"perform", "File > New"}).code, 0);
    EXPECT_TRUE(platform->source->performed().isEmpty());
}

// Each row: exit code 2, the program's name and a part of the message, and no application asked for.
TEST_F(MenuToolTest, UsageErrorsExitTwoWithAMessageAndAskNoApplication)
{
    const struct
    {
        QStringList arguments;
        const char *message;
    } cases[] = {
        {{}, "a command is needed"},
        {{"press"}, "unknown command \"press\""},
        {{"search"}, "search needs a QUERY"},
        {{"perform", " "}, "perform needs"},
        {{"list", "x"}, "list takes no argument"},
        {{"list", "--pid", "abc"}, "--pid needs a process id"},
        {{"list", "--pid", "0"}, "--pid needs a process id"},
        {{"list", "--rows", "f", "--pid", "5"}, "exclude each other"},
        {{"perform", "A > B", "--rows", "f"}, "cannot be performed"},
        {{"search", "a", "--limit", "-1"}, "--limit needs a count"},
        {{"list", "--colour"}, "colour"},
        {{"list", "--rows", "/nonexistent/rows.txt"}, "cannot read /nonexistent/rows.txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ToolRun r = run(c.arguments);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith(u"tavolin-menu: "_s)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    EXPECT_TRUE(platform->asked.empty());
}

// Each row: an application that gives no rows, and the code and message that say why.
TEST_F(MenuToolTest, ApplicationsWithoutRowsExitWithTheirCodeAndNothingOnOutput)
{
    const QList<QStringList> everyCommand{{"list"}, {"list", "--json"}, {"search", "new"}, {"perform", "File > New"}};
    const struct
    {
        const char *name;
        std::function<void(FakeElementSource &)> setUp;
        QString pid;
        int code;
        const char *message;
        QList<QStringList> commands;
    } cases[] = {
        {"no menu bar", {}, kBarless, 5, "Bare (pid 4301) has no menu bar", {{"list"}}},
        {"menus empty until opened", {}, kLazy, 7, "Lazy (pid 4302) shows 2 menus but no commands in them", everyCommand},
        // A time-out or a vanished application is not "no menu bar".
        {"hung", [](FakeElementSource &s) { s.setHanging(kPid, true); }, {}, 8, "did not answer within the time-out",
         {{"list"}}},
        {"gone before its menu bar", [](FakeElementSource &s) { s.vanishAfter(kPid, 2); }, {}, 9, // process and title read
         "went away while its menus were read", {{"list"}}},
    };
    for (const auto &c : cases) {
        platform = std::make_unique<FakePlatform>();
        if (c.setUp)
            c.setUp(*platform->source);
        for (const QStringList &command : c.commands) {
            SCOPED_TRACE(c.name + (": " + command.join(u' ').toStdString()));
            const ToolRun r = run(command + (c.pid.isEmpty() ? QStringList() : QStringList{u"--pid"_s, c.pid}));
            EXPECT_EQ(r.code, c.code) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        }
    }
}

TEST_F(MenuToolTest, RowsFileIsListedAndRankedWithoutAnApplication)
{
    const ToolRun listed = run({"list"});
    const QString file = rowsFile(listed.out.toUtf8() + "bad >  \n");
    platform->asked.clear();

    const ToolRun back = run({"list", "--rows", file});
    EXPECT_EQ(back.code, 0);
    EXPECT_EQ(back.out, listed.out) << "list output reads back as a rows file";
    EXPECT_TRUE(back.err.contains(u"line 8: an empty menu or title"_s)) << back.err.toStdString();
    for (const auto &[query, first] : {std::pair{"wrap", u"View > Word Wrap\t\tchecked"_s}, {"revert", u"File > Revert\t\tdisabled"_s}}) {
        const ToolRun ranked = run({"search", query, "--rows", file});
        EXPECT_EQ(ranked.code, 0);
        EXPECT_TRUE(ranked.out.section(u'\n', 0, 0).endsWith(first)) << ranked.out.toStdString();
    }
    const QJsonArray rows = json(run({"list", "--json", "--rows", file}).out.toUtf8())[u"rows"_s].toArray();
    ASSERT_EQ(rows.size(), 7);
    EXPECT_FALSE(rows[2][u"enabled"_s].toBool(true)) << "a disabled line reads back disabled";
    EXPECT_TRUE(platform->asked.empty());
}

// Control characters of other programs' titles never reach the terminal, whichever way the rows were read.
TEST_F(MenuToolTest, TextOutputReplacesControlCharactersOfTitles)
{
    const QString file = rowsFile("View > \x1b]0;owned\x07Wrap\n\x1b[31mPlain > Wrap\n");
    for (const QStringList &command : {QStringList{"list", "--pid", kHostile}, QStringList{"search", "wrap", "--pid", kHostile},
                                       QStringList{"list", "--rows", file}, QStringList{"search", "wrap", "--rows", file}}) {
        SCOPED_TRACE(command.join(u' ').toStdString());
        const ToolRun r = run(command);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.count(u'\n'), 2) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(u"Wrap"_s)) << r.out.toStdString();
        expectNoControls(r.out + r.err, u"\n\t"_s, "printed");
    }
    const ToolRun json = run({"list", "--json", "--pid", kHostile});
    EXPECT_TRUE(QJsonDocument::fromJson(json.out.toUtf8())[u"rows"_s][0][u"title"_s].toString().contains(u"Red\x1b[0m Wrap"_s))
        << "--json keeps the title, escaped by JSON: " << json.out.toStdString();
}

// A file of another kind as the rows file: a few warnings, then their count, and nothing a terminal acts on.
TEST_F(MenuToolTest, RowsFileOfAnotherKindWarnsAFewTimesThenCounts)
{
    QByteArray blob;
    for (int i = 0; i < 300; ++i)
        blob += "\x1b[2J\x7f\xff\x9b\x07 > x\n\x1b]0;t\x07 > y\tCtrl+\x1b[31m\tz\x1b[0m\n";
    const ToolRun r = run({"search", "save", "--rows", rowsFile(blob + "File > Save\tCtrl+S\n")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(u"\tFile > Save\tCtrl+S\n"_s)) << r.out.toStdString();
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kKeptWarnings + 1) << r.err.toStdString();
    // 300 lines not UTF-8, 300 with a bad shortcut and an unknown state.
    EXPECT_TRUE(lines.last().endsWith(u", %1 more warnings not shown"_s.arg(900 - kKeptWarnings))) << lines.last().toStdString();
    expectNoControls(r.err, u"\n"_s, "warnings");
}

} // namespace
} // namespace tavolin::menutool
