// The terminal tool's commands over a fake element source: what list, search and perform print and do, and
// the exit code and message of every kind of failure.
#include <gtest/gtest.h>

#include "common/Dispatcher.h"
#include "support/FakeElementSource.h"
#include "tools/MenuRows.h"
#include "tools/MenuTool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

namespace tavolin::menutool {
namespace {

constexpr int32_t kPid = 4300;
constexpr int32_t kBarless = 4301;
constexpr int32_t kLazy = 4302;
constexpr int32_t kHostile = 4303;

// File: New (Ctrl+N), Save As… (Ctrl+Shift+S), Revert (disabled), ---, Recent > [notes.txt];
// View: Word Wrap (checked), Reload (F5 by virtual key 96)
const char *kNotes = R"({
  "title": "Notes", "pid": 4300, "appName": "notes",
  "menuBar": [
    {"title": "File", "menu": [
      {"title": "New", "cmdChar": "N", "modifiers": 0},
      {"title": "Save As…", "cmdChar": "S", "modifiers": 1},
      {"title": "Revert", "enabled": false},
      {"separator": true},
      {"title": "Recent", "menu": [{"title": "notes.txt"}]}
    ]},
    {"title": "View", "menu": [
      {"title": "Word Wrap", "mark": "✓"},
      {"title": "Reload", "virtualKey": 96, "modifiers": 8}
    ]}
  ]})";

class FakePlatform final : public ToolPlatform
{
public:
    FakePlatform() : source(std::make_shared<FakeElementSource>())
    {
        source->setRealTime(false);
        EXPECT_TRUE(source->addApplication(QJsonDocument::fromJson(kNotes).object()));
        EXPECT_TRUE(source->addApplication(QJsonObject{{QStringLiteral("title"), QStringLiteral("Bare")},
                                                       {QStringLiteral("pid"), kBarless}}));
        // Menus filled only when they open, as Firefox's.
        EXPECT_TRUE(source->addApplication(QJsonDocument::fromJson(R"({"title": "Lazy", "pid": 4302, "menuBar": [
            {"title": "File", "menu": []}, {"title": "Edit", "menu": []}]})").object()));
        // Titles with terminal escape sequences: a colour change, a window title set, a bell, a C1 CSI.
        const QJsonArray hostileMenu{
            QJsonObject{{QStringLiteral("title"), QStringLiteral("\x1b[31mRed\x1b[0m Wrap\x07")}},
            QJsonObject{{QStringLiteral("title"), QStringLiteral("\x1b]0;owned\x07Wrap\u009b2J")}}};
        EXPECT_TRUE(source->addApplication(QJsonObject{
            {QStringLiteral("title"), QStringLiteral("Hostile\x1b[2J")},
            {QStringLiteral("pid"), kHostile},
            {QStringLiteral("menuBar"),
             QJsonArray{QJsonObject{{QStringLiteral("title"), QStringLiteral("Vi\x1b[5mew")},
                                    {QStringLiteral("menu"), hostileMenu}}}}}));
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
            target.message = QStringLiteral("no such process");
        }
        return target;
    }
    void flushPresses() override { ++flushes; }

    std::shared_ptr<FakeElementSource> source;
    std::vector<std::optional<int32_t>> asked;
    int flushes = 0;
};

struct ToolRun
{
    int code = -1;
    QString out;
    QString err;
};

class MenuToolTest : public testing::Test
{
protected:
    ToolRun run(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("tavolin-menu"));
        ToolRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        static QtDispatcher dispatcher; // a read cut by its bound may still queue work after the run
        MenuTool tool(platform, dispatcher);
        result.code = tool.run(arguments, out, err);
        out.flush();
        err.flush();
        return result;
    }

    FakePlatform platform;
};

TEST_F(MenuToolTest, ListPrintsEveryRowInMenuOrderMarkingDisabledOnes)
{
    const ToolRun r = run({QStringLiteral("list")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("File > New\tCtrl+N\n"
                                    "File > Save As…\tCtrl+Shift+S\n"
                                    "File > Revert\t\tdisabled\n"
                                    "File > Recent\t\tsubmenu\n"
                                    "File > Recent > notes.txt\n"
                                    "View > Word Wrap\t\tchecked\n"
                                    "View > Reload\tF5\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    ASSERT_EQ(platform.asked.size(), 1u);
    EXPECT_EQ(platform.asked[0], std::nullopt) << "without --pid the focused application is asked for";
}

TEST_F(MenuToolTest, ListJsonCarriesTheApplicationAndTheRows)
{
    const ToolRun r = run({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--pid"), QString::number(kPid)});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(document.value(QStringLiteral("application")).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Notes"));
    EXPECT_EQ(document.value(QStringLiteral("application")).toObject().value(QStringLiteral("pid")).toInt(), kPid);
    EXPECT_TRUE(document.value(QStringLiteral("format")).isDouble()) << "scripts check the format's version";
    const QJsonArray rows = document.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[1].toObject().value(QStringLiteral("shortcut")).toString(), QStringLiteral("Ctrl+Shift+S"));
    EXPECT_TRUE(rows[3].toObject().value(QStringLiteral("submenu")).toBool());
    EXPECT_TRUE(rows[5].toObject().value(QStringLiteral("checked")).toBool());
    for (const QJsonValue &row : rows) {
        const QJsonObject object = row.toObject();
        EXPECT_EQ(object.value(QStringLiteral("enabled")).toBool(true),
                  object.value(QStringLiteral("title")).toString() != QStringLiteral("Revert"))
            << QJsonDocument(object).toJson().toStdString();
    }
    ASSERT_EQ(platform.asked.size(), 1u);
    EXPECT_EQ(platform.asked[0], std::optional<int32_t>(kPid));
}

TEST_F(MenuToolTest, SearchRanksWithScoresAndHonoursTheLimit)
{
    const ToolRun r = run({QStringLiteral("search"), QStringLiteral("save as")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\tFile > Save As…\tCtrl+Shift+S"))) << lines[0].toStdString();
    double previous = 2;
    for (const QString &line : lines) {
        bool ok = false;
        const double score = line.section(QLatin1Char('\t'), 0, 0).toDouble(&ok);
        EXPECT_TRUE(ok && score > 0.4 && score <= previous) << line.toStdString();
        previous = score;
    }
    const ToolRun limited = run({QStringLiteral("search"), QStringLiteral("e"), QStringLiteral("--limit"), QStringLiteral("1")});
    EXPECT_EQ(limited.out.count(QLatin1Char('\n')), 1) << limited.out.toStdString();
}

TEST_F(MenuToolTest, SearchWithoutMatchesExitsOneAndPrintsNothing)
{
    const ToolRun r = run({QStringLiteral("search"), QStringLiteral("qqqq")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(MenuToolTest, PerformJsonTellsWhatWasPerformedOrWhyNot)
{
    const ToolRun done = run({QStringLiteral("perform"), QStringLiteral("file > save as..."), QStringLiteral("--json")});
    EXPECT_EQ(done.code, 0) << done.err.toStdString();
    const QJsonObject performed = QJsonDocument::fromJson(done.out.toUtf8()).object();
    EXPECT_TRUE(performed.value(QStringLiteral("performed")).toBool()) << done.out.toStdString();
    EXPECT_EQ(performed.value(QStringLiteral("row")).toObject().value(QStringLiteral("title")).toString(), QStringLiteral("Save As…"));
    EXPECT_TRUE(performed.value(QStringLiteral("error")).isNull());
    EXPECT_EQ(performed.value(QStringLiteral("application")).toObject().value(QStringLiteral("pid")).toInt(), kPid);
    EXPECT_EQ(platform.source->performed(), QStringList{QStringLiteral("Save As…:AXPress")});

    for (const char *path : {"Edit > Paste", "File > Recent"}) {
        const ToolRun missed = run({QStringLiteral("perform"), QString::fromUtf8(path), QStringLiteral("--json")});
        EXPECT_EQ(missed.code, 1) << path;
        const QJsonObject result = QJsonDocument::fromJson(missed.out.toUtf8()).object();
        EXPECT_FALSE(result.value(QStringLiteral("performed")).toBool(true)) << missed.out.toStdString();
        EXPECT_TRUE(result.value(QStringLiteral("row")).isNull()) << missed.out.toStdString();
        EXPECT_EQ(result.value(QStringLiteral("command")).toString(), QString::fromUtf8(path));
        EXPECT_FALSE(result.value(QStringLiteral("error")).toString().isEmpty()) << missed.out.toStdString();
    }
    EXPECT_EQ(platform.source->performed().size(), 1);

    const ToolRun disabled = run({QStringLiteral("perform"), QStringLiteral("File > Revert"), QStringLiteral("--json")});
    EXPECT_EQ(disabled.code, 10);
    const QJsonObject refused = QJsonDocument::fromJson(disabled.out.toUtf8()).object();
    EXPECT_FALSE(refused.value(QStringLiteral("performed")).toBool(true)) << disabled.out.toStdString();
    EXPECT_FALSE(refused.value(QStringLiteral("row")).toObject().value(QStringLiteral("enabled")).toBool(true))
        << disabled.out.toStdString();
    EXPECT_EQ(platform.source->performed().size(), 1);
}

struct PerformFailure
{
    const char *name;
    const char *path;
    int code;
    const char *message; // contained in standard error
};

class PerformFailureTest : public MenuToolTest, public testing::WithParamInterface<PerformFailure>
{
};

TEST_P(PerformFailureTest, PressesNothing)
{
    const PerformFailure &c = GetParam();
    const ToolRun r = run({QStringLiteral("perform"), QString::fromUtf8(c.path)});
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    EXPECT_TRUE(platform.source->performed().isEmpty());
    EXPECT_EQ(platform.flushes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Items, PerformFailureTest,
    testing::Values(PerformFailure{"DisabledItemIsRefused", "file > revert", 10,
                                   "\"File > Revert\" is disabled in Notes (pid 4300): the application does not offer it now"},
                    PerformFailure{"SubmenuIsNotACommand", "File > Recent", 1, "is a submenu"},
                    PerformFailure{"TopLevelMenuIsNotACommand", "File", 1, "no command"},
                    PerformFailure{"Unmatched", "Edit > Paste", 1, "no command"}),
    [](const testing::TestParamInfo<PerformFailure> &info) { return std::string(info.param.name); });

TEST_F(MenuToolTest, PerformOfAnItemTheApplicationDestroyedFailsClearly)
{
    platform.source->setPressOutcome(QStringLiteral("Save As…"), AXError::InvalidElement);
    const ToolRun r = run({QStringLiteral("perform"), QStringLiteral("File > Save As…")});
    EXPECT_EQ(r.code, 6);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot perform \"File > Save As…\": the menu item is gone")))
        << r.err.toStdString();
}

TEST_F(MenuToolTest, PerformOnAVanishedApplicationFailsClearly)
{
    platform.source->vanishAfter(kPid, 200); // enough to read the menus, gone by the press
    const ToolRun list = run({QStringLiteral("list")});
    ASSERT_EQ(list.code, 0);
    platform.source->vanishAfter(kPid, 0);
    const ToolRun r = run({QStringLiteral("perform"), QStringLiteral("File > New")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(platform.source->performed().isEmpty());
}

struct UsageCase
{
    const char *name;
    QStringList arguments;
    const char *message;
};

class UsageTest : public MenuToolTest, public testing::WithParamInterface<UsageCase>
{
};

TEST_P(UsageTest, ExitsTwoWithAMessageAndAsksNoApplication)
{
    const ToolRun r = run(GetParam().arguments);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("tavolin-menu: "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(GetParam().message))) << r.err.toStdString();
    EXPECT_TRUE(platform.asked.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageTest,
    testing::Values(
        UsageCase{"NoCommand", {}, "a command is needed"},
        UsageCase{"UnknownCommand", {QStringLiteral("press")}, "unknown command \"press\""},
        UsageCase{"SearchWithoutQuery", {QStringLiteral("search")}, "search needs a QUERY"},
        UsageCase{"PerformWithoutPath", {QStringLiteral("perform"), QStringLiteral(" ")}, "perform needs"},
        UsageCase{"ListWithArgument", {QStringLiteral("list"), QStringLiteral("x")}, "list takes no argument"},
        UsageCase{"PidNotANumber", {QStringLiteral("list"), QStringLiteral("--pid"), QStringLiteral("abc")}, "--pid needs a process id"},
        UsageCase{"PidZero", {QStringLiteral("list"), QStringLiteral("--pid"), QStringLiteral("0")}, "--pid needs a process id"},
        UsageCase{"RowsWithPid", {QStringLiteral("list"), QStringLiteral("--rows"), QStringLiteral("f"), QStringLiteral("--pid"), QStringLiteral("5")}, "exclude each other"},
        UsageCase{"PerformFromRows", {QStringLiteral("perform"), QStringLiteral("A > B"), QStringLiteral("--rows"), QStringLiteral("f")}, "cannot be performed"},
        UsageCase{"NegativeLimit", {QStringLiteral("search"), QStringLiteral("a"), QStringLiteral("--limit"), QStringLiteral("-1")}, "--limit needs a count"},
        UsageCase{"UnknownOption", {QStringLiteral("list"), QStringLiteral("--colour")}, "colour"},
        UsageCase{"MissingRowsFile", {QStringLiteral("list"), QStringLiteral("--rows"), QStringLiteral("/nonexistent/rows.txt")}, "cannot read /nonexistent/rows.txt"}),
    [](const testing::TestParamInfo<UsageCase> &info) { return std::string(info.param.name); });

TEST_F(MenuToolTest, ApplicationWithoutMenuBarExitsFive)
{
    const ToolRun r = run({QStringLiteral("list"), QStringLiteral("--pid"), QString::number(kBarless)});
    EXPECT_EQ(r.code, 5);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Bare (pid 4301) has no menu bar"))) << r.err.toStdString();
}

TEST_F(MenuToolTest, MenusEmptyUntilOpenedExitSevenForEveryCommand)
{
    for (const QStringList &command : {QStringList{QStringLiteral("list")}, QStringList{QStringLiteral("list"), QStringLiteral("--json")},
                                       QStringList{QStringLiteral("search"), QStringLiteral("new")},
                                       QStringList{QStringLiteral("perform"), QStringLiteral("File > New")}}) {
        const ToolRun r = run(command + QStringList{QStringLiteral("--pid"), QString::number(kLazy)});
        EXPECT_EQ(r.code, 7) << command.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Lazy (pid 4302) shows 2 menus but no commands in them")))
            << r.err.toStdString();
    }
}

TEST_F(MenuToolTest, HungApplicationEndsInBoundedTimeWithExitEight)
{
    platform.source->setHanging(kPid, true);
    const ToolRun r = run({QStringLiteral("list")});
    EXPECT_EQ(r.code, 8) << "a time-out is not \"no menu bar\": " << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("did not answer within the time-out"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(MenuToolTest, ApplicationGoneBeforeItsMenuBarExitsNine)
{
    platform.source->vanishAfter(kPid, 2); // its process and title are read, then it quits
    const ToolRun r = run({QStringLiteral("list")});
    EXPECT_EQ(r.code, 9) << "a vanished application is not \"no menu bar\": " << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("went away while its menus were read"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(MenuToolTest, RowsFileIsListedAndRankedWithoutAnApplication)
{
    QTemporaryDir dir;
    const ToolRun listed = run({QStringLiteral("list")});
    QFile file(dir.filePath(QStringLiteral("rows.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(listed.out.toUtf8() + "bad >  \n");
    file.close();
    platform.asked.clear();

    const ToolRun back = run({QStringLiteral("list"), QStringLiteral("--rows"), file.fileName()});
    EXPECT_EQ(back.code, 0);
    EXPECT_EQ(back.out, listed.out) << "list output reads back as a rows file";
    EXPECT_TRUE(back.err.contains(QStringLiteral("line 8: an empty menu or title"))) << back.err.toStdString();

    const ToolRun ranked = run({QStringLiteral("search"), QStringLiteral("wrap"), QStringLiteral("--rows"), file.fileName()});
    EXPECT_EQ(ranked.code, 0);
    EXPECT_TRUE(ranked.out.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral("View > Word Wrap\t\tchecked")))
        << ranked.out.toStdString();
    const ToolRun disabled = run({QStringLiteral("search"), QStringLiteral("revert"), QStringLiteral("--rows"), file.fileName()});
    EXPECT_TRUE(disabled.out.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral("File > Revert\t\tdisabled")))
        << disabled.out.toStdString();
    const ToolRun json = run({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--rows"), file.fileName()});
    const QJsonArray rows = QJsonDocument::fromJson(json.out.toUtf8()).object().value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 7) << json.out.toStdString();
    EXPECT_FALSE(rows[2].toObject().value(QStringLiteral("enabled")).toBool(true)) << "a disabled line reads back disabled";
    EXPECT_TRUE(platform.asked.empty());
}

// Control characters of other programs' titles never reach the terminal, whichever way the rows were read.
TEST_F(MenuToolTest, TextOutputReplacesControlCharactersOfTitles)
{
    const QString pid = QString::number(kHostile);
    const ToolRun listed = run({QStringLiteral("list"), QStringLiteral("--pid"), pid});
    ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("rows.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("View > \x1b]0;owned\x07Wrap\n\x1b[31mPlain > Wrap\n");
    file.close();

    const QList<QStringList> commands{
        {QStringLiteral("list"), QStringLiteral("--pid"), pid},
        {QStringLiteral("search"), QStringLiteral("wrap"), QStringLiteral("--pid"), pid},
        {QStringLiteral("list"), QStringLiteral("--rows"), file.fileName()},
        {QStringLiteral("search"), QStringLiteral("wrap"), QStringLiteral("--rows"), file.fileName()},
    };
    for (const QStringList &command : commands) {
        const ToolRun r = run(command);
        const QString printed = r.out + r.err;
        EXPECT_EQ(r.code, 0) << command.join(u' ').toStdString();
        EXPECT_EQ(r.out.count(u'\n'), 2) << command.join(u' ').toStdString() << "\n" << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Wrap"))) << r.out.toStdString();
        for (const QChar c : printed)
            EXPECT_FALSE((c.unicode() < 0x20 && c != u'\n' && c != u'\t') || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
                << command.join(u' ').toStdString() << ": control character " << int(c.unicode());
    }
    const ToolRun json = run({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--pid"), pid});
    EXPECT_TRUE(QJsonDocument::fromJson(json.out.toUtf8())[u"rows"_qs][0][u"title"_qs].toString().contains(
        QStringLiteral("Red\x1b[0m Wrap")))
        << "--json keeps the title, escaped by JSON: " << json.out.toStdString();
}

// A file of another kind as the rows file: a few warnings, then their count, and nothing a terminal acts on.
TEST_F(MenuToolTest, RowsFileOfAnotherKindWarnsAFewTimesThenCounts)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("blob.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 300; ++i)
        file.write("\x1b[2J\x7f\xff\x9b\x07 > x\n\x1b]0;t\x07 > y\tCtrl+\x1b[31m\tz\x1b[0m\n");
    file.write("File > Save\tCtrl+S\n");
    file.close();

    const ToolRun r = run({QStringLiteral("search"), QStringLiteral("save"), QStringLiteral("--rows"), file.fileName()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("\tFile > Save\tCtrl+S\n"))) << r.out.toStdString();
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kKeptWarnings + 1) << r.err.toStdString();
    // 300 lines not UTF-8, 300 with a bad shortcut and an unknown state.
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(", %1 more warnings not shown").arg(900 - kKeptWarnings))) << lines.last().toStdString();
    for (const QChar c : r.err)
        EXPECT_FALSE((c.unicode() < 0x20 && c != u'\n') || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            << "control character " << int(c.unicode()) << " in " << r.err.toStdString();
}

} // namespace
} // namespace tavolin::menutool
