#include "common/Log.h"
#include "common/Paths.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"
#include "support/ChildProcess.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <iostream>
#include <limits>
#include <string>
#include <thread>

namespace tavolin {
namespace {

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.test");

// Records the keys of valueChanged in order. The context object goes first on destruction, so the
// connection never outlives the recorder.
class ChangeRecorder
{
public:
    explicit ChangeRecorder(SettingsDomain &domain)
    {
        QObject::connect(&domain, &SettingsDomain::valueChanged, &m_context,
                         [this](const QString &key) { keys << key; });
    }
    QStringList keys;

private:
    QObject m_context;
};

class SettingsDomainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log::setSink([this](log::Level level, const QString &line) {
            if (level == log::Level::Error)
                errors << line;
        });
    }
    void TearDown() override { log::setSink({}); }

    static QString settingsFile() { return paths::configDir() + QLatin1Char('/') + kDomain + QStringLiteral(".json"); }

    static void writeInPlace(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // Writes a new "marker" value through another object and waits until `reader` sees it: the events of
    // every change made before it have arrived by then, so a list of events can be checked whole.
    void syncThroughMarker(SettingsDomain &reader)
    {
        SettingsDomain other(kDomain);
        const int mark = ++m_marks;
        ASSERT_TRUE(other.setValue(QStringLiteral("marker"), mark));
        ASSERT_TRUE(test::waitFor([&] { return reader.value(QStringLiteral("marker")) == QJsonValue(mark); }))
            << "the marker write never arrived";
    }

    static void replaceByRename(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }

    static QJsonObject fileObject()
    {
        QFile file(settingsFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    static QStringList brokenCopies()
    {
        return QDir(paths::configDir()).entryList({kDomain + QStringLiteral(".json.broken-*")}, QDir::Files, QDir::Name);
    }

    test::IsolatedHome home;
    QStringList errors;

    int m_marks = 0;
};

// ---- typed reads -----------------------------------------------------------------------------------------

TEST_F(SettingsDomainTest, BoolReadsAcceptBoolsAndNumbersOnly)
{
    struct Row { const char *name; QJsonValue stored; bool fallback; bool expected; };
    const Row rows[] = {
        {"absent gives the fallback", QJsonValue::Undefined, true, true},
        {"stored true", true, false, true},
        {"stored false", false, true, false},
        {"number 0 is false", 0, true, false},
        {"number 1 is true", 1, false, true},
        {"any other number is true", 2.5, false, true},
        {"string is the wrong type", QStringLiteral("false"), true, true},
        {"null is the wrong type", QJsonValue::Null, true, true},
        {"array is the wrong type", QJsonArray{false}, true, true},
    };
    SettingsDomain domain(kDomain);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(QStringLiteral("flag"), row.stored));
        EXPECT_EQ(domain.boolValue(QStringLiteral("flag"), row.fallback), row.expected);
    }
}

TEST_F(SettingsDomainTest, IntReadsAcceptIntegralNumbersOnly)
{
    struct Row { const char *name; QJsonValue stored; qint64 expected; };
    const Row rows[] = {
        {"absent gives the fallback", QJsonValue::Undefined, -1},
        {"integer", 12, 12},
        {"negative integer", -3, -3},
        {"integral double", 9.0, 9},
        {"large integer survives", qint64(1) << 53, qint64(1) << 53},
        {"fraction is the wrong type", 7.5, -1},
        {"numeric string is the wrong type", QStringLiteral("7"), -1},
        {"bool is the wrong type", true, -1},
    };
    SettingsDomain domain(kDomain);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(QStringLiteral("count"), row.stored));
        EXPECT_EQ(domain.intValue(QStringLiteral("count"), -1), row.expected);
        SettingsDomain reopened(kDomain); // the same after a round trip through the file
        EXPECT_EQ(reopened.intValue(QStringLiteral("count"), -1), row.expected);
    }
}

TEST_F(SettingsDomainTest, StringArrayAndObjectReadsFallBackOnOtherTypes)
{
    SettingsDomain domain(kDomain);
    ASSERT_TRUE(domain.setValue(QStringLiteral("s"), QStringLiteral("text")));
    ASSERT_TRUE(domain.setValue(QStringLiteral("a"), QJsonArray{1, QStringLiteral("x")}));
    ASSERT_TRUE(domain.setValue(QStringLiteral("o"), QJsonObject{{QStringLiteral("k"), 1}}));

    EXPECT_EQ(domain.stringValue(QStringLiteral("s"), QStringLiteral("fb")), QStringLiteral("text"));
    EXPECT_EQ(domain.stringValue(QStringLiteral("a"), QStringLiteral("fb")), QStringLiteral("fb"));
    EXPECT_EQ(domain.stringValue(QStringLiteral("absent"), QStringLiteral("fb")), QStringLiteral("fb"));
    EXPECT_EQ(domain.arrayValue(QStringLiteral("a")), (QJsonArray{1, QStringLiteral("x")}));
    EXPECT_EQ(domain.arrayValue(QStringLiteral("o")), QJsonArray());
    EXPECT_EQ(domain.objectValue(QStringLiteral("o")), (QJsonObject{{QStringLiteral("k"), 1}}));
    EXPECT_EQ(domain.objectValue(QStringLiteral("s")), QJsonObject());
    EXPECT_TRUE(domain.value(QStringLiteral("absent")).isUndefined());
    EXPECT_FALSE(domain.contains(QStringLiteral("absent")));
}

TEST_F(SettingsDomainTest, SharedKeysReadTheirDefaults)
{
    struct Row { const char *name; QLatin1String key; QJsonValue stored; std::function<QJsonValue(const SettingsDomain &)> read; QJsonValue expected; };
    const auto listNumber = [](const SettingsDomain &d) { return QJsonValue(settings::listNumber(d)); };
    const auto showMenuState = [](const SettingsDomain &d) { return QJsonValue(settings::showMenuState(d)); };
    const auto hideAppIcon = [](const SettingsDomain &d) { return QJsonValue(settings::hideAppIcon(d)); };
    const auto theme = [](const SettingsDomain &d) { return QJsonValue(settings::themeName(d)); };
    const auto appVersion = [](const SettingsDomain &d) {
        const std::optional<QString> version = settings::appVersion(d);
        return version ? QJsonValue(*version) : QJsonValue(QJsonValue::Null);
    };
    const Row rows[] = {
        {"listNumber absent is 7", settings::kListNumber, QJsonValue::Undefined, listNumber, 7},
        {"listNumber 0 is 7", settings::kListNumber, 0, listNumber, 7},
        {"listNumber negative is 7", settings::kListNumber, -4, listNumber, 7},
        {"listNumber 1 is kept", settings::kListNumber, 1, listNumber, 1},
        {"listNumber as string is 7", settings::kListNumber, QStringLiteral("9"), listNumber, 7},
        {"listNumber beyond int is 7", settings::kListNumber, qint64(1) << 40, listNumber, 7},
        {"showMenuState absent is true", settings::kShowMenuState, QJsonValue::Undefined, showMenuState, true},
        {"showMenuState false hides", settings::kShowMenuState, false, showMenuState, false},
        {"showMenuState 0 hides", settings::kShowMenuState, 0, showMenuState, false},
        {"showMenuState string is true", settings::kShowMenuState, QStringLiteral("no"), showMenuState, true},
        {"hideAppIcon 1 is true", settings::kHideAppIcon, 1, hideAppIcon, true},
        {"theme empty is default", settings::kTheme, QString(), theme, QStringLiteral("default")},
        {"theme stored", settings::kTheme, QStringLiteral("deepblue"), theme, QStringLiteral("deepblue")},
        {"appVersion number is none", settings::kAppVersion, 3, appVersion, QJsonValue::Null},
        {"appVersion stored", settings::kAppVersion, QStringLiteral("1.2"), appVersion, QStringLiteral("1.2")},
    };
    SettingsDomain domain(kDomain);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(row.key, row.stored));
        EXPECT_EQ(row.read(domain), row.expected);
    }
}

// ---- persistence and notifications -----------------------------------------------------------------------

TEST_F(SettingsDomainTest, FirstWriteCreatesTheFolderAndANewObjectReadsIt)
{
    ASSERT_FALSE(QFileInfo::exists(paths::configDir()));
    {
        SettingsDomain domain(kDomain);
        EXPECT_EQ(domain.filePath(), settingsFile());
        ASSERT_TRUE(domain.setValue(QStringLiteral("palette_rule_menu"),
                                    QJsonObject{{QStringLiteral("all"), QJsonArray{QJsonValue(QJsonArray{QStringLiteral("Help"), 0})}}}));
        ASSERT_TRUE(domain.setValue(settings::kListNumber, 9));
    }
    EXPECT_EQ(fileObject().value(settings::kListNumber), QJsonValue(9));
    SettingsDomain reopened(kDomain);
    EXPECT_EQ(settings::listNumber(reopened), 9);
    EXPECT_EQ(reopened.objectValue(QStringLiteral("palette_rule_menu")).value(QStringLiteral("all")).toArray().size(), 1);

    ASSERT_TRUE(reopened.remove(settings::kListNumber));
    EXPECT_FALSE(fileObject().contains(settings::kListNumber));
    EXPECT_TRUE(fileObject().contains(QStringLiteral("palette_rule_menu")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(SettingsDomainTest, WriterFiresOncePerRealChangePerKey)
{
    SettingsDomain domain(kDomain);
    ChangeRecorder recorder(domain);
    struct Step { const char *name; QString key; QJsonValue value; QStringList expected; };
    const QString a = QStringLiteral("a"), b = QStringLiteral("b");
    const Step steps[] = {
        {"new key fires", a, 1, {a}},
        {"same value is silent", a, 1, {}},
        {"other key fires for itself only", b, QJsonArray{1, 2}, {b}},
        {"equal array is silent", b, QJsonArray{1, 2}, {}},
        {"changed array fires", b, QJsonArray{1, 3}, {b}},
        {"type change with the same truth fires", a, true, {a}},
        {"removal fires", a, QJsonValue::Undefined, {a}},
        {"removing an absent key is silent", a, QJsonValue::Undefined, {}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        recorder.keys.clear();
        ASSERT_TRUE(domain.setValue(step.key, step.value));
        EXPECT_EQ(recorder.keys, step.expected); // at once, before any event is processed
    }
    // The folder echoes of those writes come before the event of a later write by another object; once that
    // one has arrived, the echoes must have added nothing.
    recorder.keys.clear();
    SettingsDomain other(kDomain);
    ASSERT_TRUE(other.setValue(QStringLiteral("marker"), 1));
    ASSERT_TRUE(test::waitFor([&] { return domain.contains(QStringLiteral("marker")); }));
    EXPECT_EQ(recorder.keys, QStringList{QStringLiteral("marker")});
}

TEST_F(SettingsDomainTest, SecondObjectSeesTheFirstsWritesAsPerKeyEvents)
{
    // Both open before the folder exists: the reader has to notice it appear.
    SettingsDomain writer(kDomain);
    SettingsDomain reader(kDomain);
    ChangeRecorder recorder(reader);

    ASSERT_TRUE(writer.setValue(QStringLiteral("x"), 1));
    ASSERT_TRUE(test::waitFor([&] { return reader.value(QStringLiteral("x")) == QJsonValue(1); }));
    EXPECT_EQ(recorder.keys, QStringList{QStringLiteral("x")});

    recorder.keys.clear();
    ASSERT_TRUE(writer.setValue(QStringLiteral("y"), QStringLiteral("why")));
    ASSERT_TRUE(writer.remove(QStringLiteral("x")));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(reader));
    recorder.keys.sort();
    EXPECT_EQ(recorder.keys, (QStringList{QStringLiteral("marker"), QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_FALSE(reader.contains(QStringLiteral("x")));
}

TEST_F(SettingsDomainTest, ReplacementByAnotherProgramFiresOnlyForChangedKeys)
{
    replaceByRename(settingsFile(), R"({"a": 1, "b": 2, "c": 3})");
    SettingsDomain domain(kDomain);
    ChangeRecorder recorder(domain);
    EXPECT_EQ(domain.value(QStringLiteral("b")), QJsonValue(2));

    replaceByRename(settingsFile(), R"({"a": 1, "b": 5, "d": 4})");
    ASSERT_TRUE(test::waitFor([&] { return domain.contains(QStringLiteral("d")); }));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(domain));
    recorder.keys.sort();
    EXPECT_EQ(recorder.keys, (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                                          QStringLiteral("marker")}));

    // An edit in place (not a rename) is noticed as well.
    recorder.keys.clear();
    writeInPlace(settingsFile(), R"({"a": 2, "b": 5, "d": 4, "marker": 1})");
    ASSERT_TRUE(test::waitFor([&] { return domain.value(QStringLiteral("a")) == QJsonValue(2); }));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(domain));
    EXPECT_EQ(recorder.keys, (QStringList{QStringLiteral("a"), QStringLiteral("marker")}));
}

TEST_F(SettingsDomainTest, RemoveIfEqualsLeavesANewerValueInPlace)
{
    SettingsDomain mine(kDomain);
    SettingsDomain theirs(kDomain);
    const QJsonArray first{QStringLiteral("first"), 1.0};
    const QJsonArray second{QStringLiteral("second"), 2.0};
    ASSERT_TRUE(mine.setValue(QStringLiteral("command"), first));
    ASSERT_TRUE(theirs.setValue(QStringLiteral("command"), second)); // `mine` has not reloaded yet

    ASSERT_TRUE(mine.removeIfEquals(QStringLiteral("command"), first));
    EXPECT_EQ(mine.value(QStringLiteral("command")), QJsonValue(second));
    EXPECT_EQ(fileObject().value(QStringLiteral("command")), QJsonValue(second));

    ASSERT_TRUE(mine.removeIfEquals(QStringLiteral("command"), second));
    EXPECT_FALSE(fileObject().contains(QStringLiteral("command")));
}

TEST_F(SettingsDomainTest, NonFiniteNumbersAreRefused)
{
    SettingsDomain domain(kDomain);
    ChangeRecorder recorder(domain);
    EXPECT_FALSE(domain.setValue(QStringLiteral("n"), std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(domain.setValue(QStringLiteral("n"), QJsonArray{1, std::numeric_limits<double>::infinity()}));
    EXPECT_FALSE(domain.contains(QStringLiteral("n")));
    EXPECT_TRUE(recorder.keys.isEmpty());
}

// ---- broken files and failed writes ----------------------------------------------------------------------

TEST_F(SettingsDomainTest, BrokenFileReadsEmptyIsKeptAsideAndTheNextWriteWorks)
{
    struct Row { const char *name; QByteArray bytes; };
    const Row rows[] = {
        {"does not parse", "{\"listNumber\": 9,"},
        {"top level is an array", "[1, 2]"},
        {"top level is a string", "\"text\""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString &old : brokenCopies())
            QFile::remove(paths::configDir() + QLatin1Char('/') + old);
        writeInPlace(settingsFile(), row.bytes);
        errors.clear();

        SettingsDomain domain(kDomain);
        EXPECT_FALSE(domain.contains(settings::kListNumber));
        EXPECT_EQ(settings::listNumber(domain), 7);
        EXPECT_FALSE(errors.isEmpty()); // logged, not silent

        ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 1));
        const QStringList copies = brokenCopies();
        ASSERT_EQ(copies.size(), 1);
        const QRegularExpression name(QRegularExpression::escape(kDomain) + QStringLiteral(R"(\.json\.broken-\d{8}-\d{6}$)"));
        EXPECT_TRUE(name.match(copies.first()).hasMatch()) << copies.first().toStdString();
        QFile copy(paths::configDir() + QLatin1Char('/') + copies.first());
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), row.bytes);
        EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("k"), 1}}));
    }
}

// An edit in progress or a typo made while the programs run must not drop the hot key or any other value:
// readers keep the values last read, and the next write starts from them.
TEST_F(SettingsDomainTest, FileBrokenWhileRunningKeepsTheLastGoodValues)
{
    struct Row { const char *name; QByteArray bytes; };
    const Row rows[] = {
        {"does not parse", "{\"palette_shortcut\": \"cmd+shift+k\","},
        {"top level is an array", "[\"cmd+shift+k\"]"},
        {"cut off half way", "{\"listNumber\": 9, \"palette_sh"},
    };
    const QString shortcut = QStringLiteral("palette_shortcut");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString &old : brokenCopies())
            QFile::remove(paths::configDir() + QLatin1Char('/') + old);
        replaceByRename(settingsFile(), R"({"palette_shortcut": "cmd+shift+p", "listNumber": 9})");
        SettingsDomain domain(kDomain);
        ChangeRecorder recorder(domain);
        errors.clear();

        replaceByRename(settingsFile(), row.bytes);
        domain.reload();

        EXPECT_TRUE(recorder.keys.isEmpty()) << recorder.keys.join(u',').toStdString();
        EXPECT_EQ(domain.stringValue(shortcut), QStringLiteral("cmd+shift+p"));
        EXPECT_EQ(settings::listNumber(domain), 9);
        EXPECT_FALSE(errors.isEmpty()); // logged, not silent

        ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 1));
        EXPECT_EQ(fileObject(), (QJsonObject{{shortcut, QStringLiteral("cmd+shift+p")},
                                             {QStringLiteral("listNumber"), 9},
                                             {QStringLiteral("k"), 1}}));
        ASSERT_EQ(brokenCopies().size(), 1);

        // Fixed by hand: the fix is read like any change.
        replaceByRename(settingsFile(), R"({"palette_shortcut": "cmd+shift+k"})");
        domain.reload();
        EXPECT_EQ(domain.stringValue(shortcut), QStringLiteral("cmd+shift+k"));
        EXPECT_FALSE(domain.contains(QStringLiteral("k")));
    }
}

TEST_F(SettingsDomainTest, TwoBrokenFilesInARowAreBothKept)
{
    SettingsDomain domain(kDomain);
    writeInPlace(settingsFile(), "first {");
    ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 1));
    writeInPlace(settingsFile(), "second {");
    ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 2));

    const QStringList copies = brokenCopies();
    ASSERT_EQ(copies.size(), 2);
    QSet<QByteArray> contents;
    for (const QString &copy : copies) {
        QFile file(paths::configDir() + QLatin1Char('/') + copy);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        contents.insert(file.readAll());
    }
    EXPECT_EQ(contents, (QSet<QByteArray>{"first {", "second {"}));
}

TEST_F(SettingsDomainTest, EmptyFileReadsEmptyAndIsNotKeptAside)
{
    writeInPlace(settingsFile(), "  \n");
    SettingsDomain domain(kDomain);
    EXPECT_TRUE(errors.isEmpty());
    ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 1));
    EXPECT_TRUE(brokenCopies().isEmpty());
    EXPECT_EQ(fileObject(), (QJsonObject{{QStringLiteral("k"), 1}}));
}

TEST_F(SettingsDomainTest, FailedWriteReturnsFalseAndChangesNothingInMemory)
{
    SettingsDomain domain(kDomain);
    ASSERT_TRUE(domain.setValue(QStringLiteral("k"), 1));
    ChangeRecorder recorder(domain);

    // The folder is replaced by a plain file: nothing can be created in it (also when running as root).
    const QString dir = paths::configDir();
    ASSERT_TRUE(QDir().rename(dir, dir + QStringLiteral(".moved")));
    writeInPlace(dir, "not a folder");

    EXPECT_FALSE(domain.setValue(QStringLiteral("k"), 2));
    EXPECT_FALSE(domain.setValue(QStringLiteral("other"), 3));
    EXPECT_EQ(domain.value(QStringLiteral("k")), QJsonValue(1));
    EXPECT_FALSE(domain.contains(QStringLiteral("other")));
    EXPECT_TRUE(recorder.keys.isEmpty());
    EXPECT_FALSE(errors.isEmpty());
}

TEST_F(SettingsDomainTest, FileThatCannotBeReadIsNeverReplaced)
{
    QDir().mkpath(settingsFile() + QStringLiteral("/inside")); // a folder where the file should be
    SettingsDomain domain(kDomain);
    EXPECT_FALSE(domain.setValue(QStringLiteral("k"), 1));
    EXPECT_TRUE(QFileInfo(settingsFile() + QStringLiteral("/inside")).isDir());
    EXPECT_FALSE(domain.contains(QStringLiteral("k")));
}

TEST_F(SettingsDomainTest, ReadsOnAnotherThreadSeeWholeValuesWhileWriting)
{
    SettingsDomain domain(kDomain);
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        qint64 last = -1;
        while (!stop) {
            const QJsonArray pair = domain.arrayValue(QStringLiteral("pair"));
            if (pair.isEmpty())
                continue;
            const qint64 first = pair.at(0).toInteger(), second = pair.at(1).toInteger();
            if (second != first * 2 || first < last)
                ++badReads;
            last = first;
        }
    });
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(domain.setValue(QStringLiteral("pair"), QJsonArray{i, i * 2}));
    stop = true;
    reader.join();
    EXPECT_EQ(badReads, 0);
}

// ---- two processes ---------------------------------------------------------------------------------------

constexpr int kKeysPerWriter = 1000;
const QString kSharedDomain = QStringLiteral("two-writers");

QString writerKey(const QString &writer, int i)
{
    return QStringLiteral("%1-%2").arg(writer).arg(i, 4, 10, QLatin1Char('0'));
}

// args: own name, the other writer's name. Prints "ready", waits for a line on stdin, writes its keys while
// handling events, then waits until it has seen every key of the other writer as a change event and prints
// "observed N" (and the first missing keys, if any).
TAVOLIN_CHILD_ROLE(settings_writer)
{
    if (args.size() != 2)
        return 64;
    const QString self = args.at(0), other = args.at(1);
    SettingsDomain domain(kSharedDomain);
    QSet<QString> seen;
    QObject::connect(&domain, &SettingsDomain::valueChanged, [&](const QString &key) {
        if (key.startsWith(other + QLatin1Char('-')))
            seen.insert(key);
    });
    std::cout << "ready" << std::endl;
    std::string go;
    std::getline(std::cin, go);

    for (int i = 0; i < kKeysPerWriter; ++i) {
        if (!domain.setValue(writerKey(self, i), i)) {
            std::cout << "write failed " << i << std::endl;
            return 2;
        }
        QCoreApplication::processEvents();
    }
    test::waitFor([&] { return seen.size() == kKeysPerWriter; }, std::chrono::seconds(120));
    std::cout << "observed " << seen.size() << std::endl;
    for (int i = 0, shown = 0; i < kKeysPerWriter && shown < 5; ++i)
        if (!seen.contains(writerKey(other, i))) {
            std::cout << "missing " << writerKey(other, i).toStdString() << std::endl;
            ++shown;
        }
    return seen.size() == kKeysPerWriter ? 0 : 3;
}

TEST_F(SettingsDomainTest, TwoProcessesWritingAThousandKeysEachLoseNothingAndSeeEachOther)
{
    SettingsDomain observer(kSharedDomain);
    QSet<QString> observed;
    QObject::connect(&observer, &SettingsDomain::valueChanged, &observer,
                     [&](const QString &key) { observed.insert(key); });

    QProcess writers[2];
    const QString names[2] = {QStringLiteral("a"), QStringLiteral("b")};
    QByteArray output[2];
    for (int w = 0; w < 2; ++w) {
        QObject::connect(&writers[w], &QProcess::readyReadStandardOutput, &observer,
                         [&, w] { output[w] += writers[w].readAllStandardOutput(); });
        writers[w].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers[w].start(test::childProgram(), test::childArguments(QStringLiteral("settings_writer"),
                                                                    {names[w], names[1 - w]}));
    }
    ASSERT_TRUE(test::waitFor([&] { return output[0].contains("ready") && output[1].contains("ready"); }));
    for (QProcess &writer : writers)
        writer.write("go\n");

    const auto finished = [&] {
        return writers[0].state() == QProcess::NotRunning && writers[1].state() == QProcess::NotRunning;
    };
    ASSERT_TRUE(test::waitFor(finished, std::chrono::seconds(240)));
    for (int w = 0; w < 2; ++w) {
        output[w] += writers[w].readAllStandardOutput();
        SCOPED_TRACE(output[w].toStdString());
        EXPECT_EQ(writers[w].exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(writers[w].exitCode(), 0);
        EXPECT_TRUE(output[w].contains("observed 1000\n"));
    }

    // A third process that only watched saw every key arrive as an event.
    EXPECT_TRUE(test::waitFor([&] { return observed.size() == 2 * kKeysPerWriter; }));
    const SettingsDomain reopened(kSharedDomain);
    int wrong = 0;
    for (const QString &name : names)
        for (int i = 0; i < kKeysPerWriter; ++i)
            if (reopened.value(writerKey(name, i)) != QJsonValue(i))
                ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace tavolin
