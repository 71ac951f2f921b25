#include "CommonTestSupport.h"
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
#include <iostream>
#include <limits>
#include <string>
#include <thread>

namespace tavolin {
namespace {

const QString kDomain = u"io.quorvane.Tavolin.test"_qs;

// Records the keys of valueChanged in order. The context object goes first on destruction, so the
// connection never outlives the recorder.
class ChangeRecorder
{
public:
    explicit ChangeRecorder(SettingsDomain &domain)
    {
        QObject::connect(&domain, &SettingsDomain::valueChanged, &m_context, [this](const QString &key) { keys << key; });
    }
    QStringList keys;

private:
    QObject m_context;
};

enum class How { InPlace, ByRename };

class SettingsDomainTest : public ::testing::Test
{
protected:
    static QString inConfig(const QString &name) { return paths::configDir() + QLatin1Char('/') + name; }
    static QString settingsFile() { return inConfig(kDomain + u".json"_qs); }

    // Writes the settings file as an editor would (in place) or as another program does (rename).
    static void writeSettings(const QByteArray &bytes, How how = How::ByRename, const QString &path = settingsFile())
    {
        if (how == How::InPlace)
            return test::writeFile(path, bytes);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }

    // Writes a new "marker" value through another object and waits until `reader` sees it: the events of
    // every change made before it have arrived by then, so a list of events can be checked whole.
    void syncThroughMarker(SettingsDomain &reader)
    {
        SettingsDomain other(kDomain);
        const int mark = ++m_marks;
        ASSERT_TRUE(other.setValue(u"marker"_qs, mark));
        ASSERT_TRUE(test::waitFor([&] { return reader.value(u"marker"_qs) == QJsonValue(mark); }))
            << "the marker write never arrived";
    }

    static QJsonObject fileObject() { return QJsonDocument::fromJson(test::readFile(settingsFile())).object(); }

    // The contents of the copies kept aside, oldest name first; `clear` removes them afterwards.
    static QList<QByteArray> brokenCopies(bool clear = false)
    {
        QList<QByteArray> contents;
        // The first copy is named by the time alone; one kept within the same second adds "-N".
        const QString stem = QRegularExpression::escape(kDomain) + uR"(\.json\.broken-\d{8}-\d{6})"_qs;
        const QRegularExpression first(stem + u"$"_qs), later(stem + uR"((-\d+)?$)"_qs);
        for (const QString &name : QDir(paths::configDir()).entryList({kDomain + u".json.broken-*"_qs}, QDir::Files, QDir::Name)) {
            EXPECT_TRUE((contents.isEmpty() ? first : later).match(name).hasMatch()) << name.toStdString();
            contents << test::readFile(inConfig(name));
            if (clear)
                QFile::remove(inConfig(name));
        }
        return contents;
    }

    test::IsolatedHome home;
    test::LogCapture logged;
    int m_marks = 0;
};

// ---- typed reads -----------------------------------------------------------------------------------------

TEST_F(SettingsDomainTest, TypedReadsFallBackOnOtherTypes)
{
    struct Row { const char *name; QJsonValue stored; bool fallback; bool expected; };
    const Row bools[] = {
        {"absent gives the fallback", QJsonValue::Undefined, true, true},
        {"stored true", true, false, true},
        {"stored false", false, true, false},
        {"number 0 is false", 0, true, false},
        {"number 1 is true", 1, false, true},
        {"any other number is true", 2.5, false, true},
        {"string is the wrong type", u"false"_qs, true, true},
        {"null is the wrong type", QJsonValue::Null, true, true},
        {"array is the wrong type", QJsonArray{false}, true, true},
    };
    SettingsDomain domain(kDomain);
    for (const Row &row : bools) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(u"flag"_qs, row.stored));
        EXPECT_EQ(domain.boolValue(u"flag"_qs, row.fallback), row.expected);
    }

    struct IntRow { const char *name; QJsonValue stored; qint64 expected; };
    const IntRow ints[] = {
        {"absent gives the fallback", QJsonValue::Undefined, -1},
        {"integer", 12, 12},
        {"negative integer", -3, -3},
        {"integral double", 9.0, 9},
        {"large integer survives", qint64(1) << 53, qint64(1) << 53},
        {"fraction is the wrong type", 7.5, -1},
        {"numeric string is the wrong type", u"7"_qs, -1},
        {"bool is the wrong type", true, -1},
    };
    for (const IntRow &row : ints) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(u"count"_qs, row.stored));
        EXPECT_EQ(domain.intValue(u"count"_qs, -1), row.expected);
        SettingsDomain reopened(kDomain); // the same after a round trip through the file
        EXPECT_EQ(reopened.intValue(u"count"_qs, -1), row.expected);
    }

    ASSERT_TRUE(domain.setValue(u"s"_qs, u"text"_qs));
    ASSERT_TRUE(domain.setValue(u"a"_qs, QJsonArray{1, u"x"_qs}));
    ASSERT_TRUE(domain.setValue(u"o"_qs, QJsonObject{{u"k"_qs, 1}}));
    EXPECT_EQ(domain.stringValue(u"s"_qs, u"fb"_qs), u"text"_qs);
    EXPECT_EQ(domain.stringValue(u"a"_qs, u"fb"_qs), u"fb"_qs);
    EXPECT_EQ(domain.stringValue(u"absent"_qs, u"fb"_qs), u"fb"_qs);
    EXPECT_EQ(domain.arrayValue(u"a"_qs), (QJsonArray{1, u"x"_qs}));
    EXPECT_EQ(domain.arrayValue(u"o"_qs), QJsonArray());
    EXPECT_EQ(domain.objectValue(u"o"_qs), (QJsonObject{{u"k"_qs, 1}}));
    EXPECT_EQ(domain.objectValue(u"s"_qs), QJsonObject());
    EXPECT_TRUE(domain.value(u"absent"_qs).isUndefined());
    EXPECT_FALSE(domain.contains(u"absent"_qs));
}

TEST_F(SettingsDomainTest, SharedKeysReadTheirDefaults)
{
    using Read = QJsonValue (*)(const SettingsDomain &);
    struct Row { const char *name; QLatin1String key; QJsonValue stored; Read read; QJsonValue expected; };
    const Read listNumber = [](const SettingsDomain &d) { return QJsonValue(settings::listNumber(d)); };
    const Read showMenuState = [](const SettingsDomain &d) { return QJsonValue(settings::showMenuState(d)); };
    const Read hideAppIcon = [](const SettingsDomain &d) { return QJsonValue(settings::hideAppIcon(d)); };
    const Read theme = [](const SettingsDomain &d) { return QJsonValue(settings::themeName(d)); };
    const Read appVersion = [](const SettingsDomain &d) {
        const std::optional<QString> version = settings::appVersion(d);
        return version ? QJsonValue(*version) : QJsonValue(QJsonValue::Null);
    };
    const Row rows[] = {
        {"listNumber 0 is 7", settings::kListNumber, 0, listNumber, 7},
        {"listNumber negative is 7", settings::kListNumber, -4, listNumber, 7},
        {"listNumber 1 is kept", settings::kListNumber, 1, listNumber, 1},
        {"listNumber as string is 7", settings::kListNumber, u"9"_qs, listNumber, 7},
        {"listNumber beyond int is 7", settings::kListNumber, qint64(1) << 40, listNumber, 7},
        {"showMenuState false hides", settings::kShowMenuState, false, showMenuState, false},
        {"showMenuState 0 hides", settings::kShowMenuState, 0, showMenuState, false},
        {"showMenuState string is true", settings::kShowMenuState, u"no"_qs, showMenuState, true},
        {"hideAppIcon 1 is true", settings::kHideAppIcon, 1, hideAppIcon, true},
        {"theme empty is default", settings::kTheme, QString(), theme, u"default"_qs},
        {"theme stored", settings::kTheme, u"deepblue"_qs, theme, u"deepblue"_qs},
        {"appVersion number is none", settings::kAppVersion, 3, appVersion, QJsonValue::Null},
        {"appVersion stored", settings::kAppVersion, u"1.2"_qs, appVersion, u"1.2"_qs},
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
        ASSERT_TRUE(domain.setValue(u"palette_rule_menu"_qs, QJsonObject{{u"all"_qs, QJsonArray{QJsonValue(QJsonArray{u"Help"_qs, 0})}}}));
        ASSERT_TRUE(domain.setValue(settings::kListNumber, 9));
    }
    EXPECT_EQ(fileObject().value(settings::kListNumber), QJsonValue(9));
    SettingsDomain reopened(kDomain);
    EXPECT_EQ(settings::listNumber(reopened), 9);
    EXPECT_EQ(reopened.objectValue(u"palette_rule_menu"_qs).value(u"all"_qs).toArray().size(), 1);

    ASSERT_TRUE(reopened.remove(settings::kListNumber));
    EXPECT_FALSE(fileObject().contains(settings::kListNumber));
    EXPECT_TRUE(fileObject().contains(u"palette_rule_menu"_qs));
    EXPECT_TRUE(logged.errors().isEmpty()) << logged.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(SettingsDomainTest, WriterFiresOncePerRealChangePerKey)
{
    SettingsDomain domain(kDomain);
    ChangeRecorder recorder(domain);
    struct Step { const char *name; QString key; QJsonValue value; QStringList expected; bool stored = true; };
    const QString a = u"a"_qs, b = u"b"_qs;
    const Step steps[] = {
        {"new key fires", a, 1, {a}},
        {"same value is silent", a, 1, {}},
        {"other key fires for itself only", b, QJsonArray{1, 2}, {b}},
        {"equal array is silent", b, QJsonArray{1, 2}, {}},
        {"changed array fires", b, QJsonArray{1, 3}, {b}},
        {"type change with the same truth fires", a, true, {a}},
        {"removal fires", a, QJsonValue::Undefined, {a}},
        {"removing an absent key is silent", a, QJsonValue::Undefined, {}},
        // JSON cannot hold a non-finite number.
        {"a NaN is refused, silently", a, std::numeric_limits<double>::quiet_NaN(), {}, false},
        {"an infinity inside an array is refused", a, QJsonArray{1, std::numeric_limits<double>::infinity()}, {}, false},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        recorder.keys.clear();
        EXPECT_EQ(domain.setValue(step.key, step.value), step.stored);
        EXPECT_EQ(recorder.keys, step.expected); // at once, before any event is processed
    }
    EXPECT_FALSE(domain.contains(a));
    // The folder echoes of those writes come before the event of a later write by another object; once that
    // one has arrived, the echoes must have added nothing.
    recorder.keys.clear();
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(domain));
    EXPECT_EQ(recorder.keys, QStringList{u"marker"_qs});
}

TEST_F(SettingsDomainTest, SecondObjectSeesTheFirstsWritesAsPerKeyEvents)
{
    // Both open before the folder exists: the reader has to notice it appear.
    SettingsDomain writer(kDomain);
    SettingsDomain reader(kDomain);
    ChangeRecorder recorder(reader);

    ASSERT_TRUE(writer.setValue(u"x"_qs, 1));
    ASSERT_TRUE(test::waitFor([&] { return reader.value(u"x"_qs) == QJsonValue(1); }));
    EXPECT_EQ(recorder.keys, QStringList{u"x"_qs});

    recorder.keys.clear();
    ASSERT_TRUE(writer.setValue(u"y"_qs, u"why"_qs));
    ASSERT_TRUE(writer.remove(u"x"_qs));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(reader));
    recorder.keys.sort();
    EXPECT_EQ(recorder.keys, (QStringList{u"marker"_qs, u"x"_qs, u"y"_qs}));
    EXPECT_FALSE(reader.contains(u"x"_qs));
}

TEST_F(SettingsDomainTest, ReplacementByAnotherProgramFiresOnlyForChangedKeys)
{
    writeSettings(R"({"a": 1, "b": 2, "c": 3})");
    SettingsDomain domain(kDomain);
    ChangeRecorder recorder(domain);
    EXPECT_EQ(domain.value(u"b"_qs), QJsonValue(2));

    writeSettings(R"({"a": 1, "b": 5, "d": 4})");
    ASSERT_TRUE(test::waitFor([&] { return domain.contains(u"d"_qs); }));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(domain));
    recorder.keys.sort();
    EXPECT_EQ(recorder.keys, (QStringList{u"b"_qs, u"c"_qs, u"d"_qs, u"marker"_qs}));

    // An edit in place (not a rename) is noticed as well.
    recorder.keys.clear();
    writeSettings(R"({"a": 2, "b": 5, "d": 4, "marker": 1})", How::InPlace);
    ASSERT_TRUE(test::waitFor([&] { return domain.value(u"a"_qs) == QJsonValue(2); }));
    ASSERT_NO_FATAL_FAILURE(syncThroughMarker(domain));
    EXPECT_EQ(recorder.keys, (QStringList{u"a"_qs, u"marker"_qs}));
}

TEST_F(SettingsDomainTest, RemoveIfEqualsLeavesANewerValueInPlace)
{
    SettingsDomain mine(kDomain);
    SettingsDomain theirs(kDomain);
    const QJsonArray first{u"first"_qs, 1.0};
    const QJsonArray second{u"second"_qs, 2.0};
    ASSERT_TRUE(mine.setValue(u"command"_qs, first));
    ASSERT_TRUE(theirs.setValue(u"command"_qs, second)); // `mine` has not reloaded yet

    ASSERT_TRUE(mine.removeIfEquals(u"command"_qs, first));
    EXPECT_EQ(mine.value(u"command"_qs), QJsonValue(second));
    EXPECT_EQ(fileObject().value(u"command"_qs), QJsonValue(second));

    ASSERT_TRUE(mine.removeIfEquals(u"command"_qs, second));
    EXPECT_FALSE(fileObject().contains(u"command"_qs));
}

// ---- broken files and failed writes ----------------------------------------------------------------------

TEST_F(SettingsDomainTest, BrokenFileReadsEmptyIsKeptAsideAndTheNextWriteWorks)
{
    struct Row { const char *name; QByteArray bytes; bool broken; };
    const Row rows[] = {
        {"does not parse", "{\"listNumber\": 9,", true},
        {"top level is an array", "[1, 2]", true},
        {"top level is a string", "\"text\"", true},
        {"blank is empty, not broken", "  \n", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        brokenCopies(true);
        writeSettings(row.bytes, How::InPlace);
        logged.clear();

        SettingsDomain domain(kDomain);
        EXPECT_FALSE(domain.contains(settings::kListNumber));
        EXPECT_EQ(settings::listNumber(domain), 7);
        EXPECT_EQ(logged.errors().isEmpty(), !row.broken); // logged, not silent

        ASSERT_TRUE(domain.setValue(u"k"_qs, 1));
        EXPECT_EQ(brokenCopies(), row.broken ? QList<QByteArray>{row.bytes} : QList<QByteArray>());
        EXPECT_EQ(fileObject(), (QJsonObject{{u"k"_qs, 1}}));
    }

    // A second broken file within the same second gets a name of its own.
    brokenCopies(true);
    SettingsDomain domain(kDomain);
    int value = 10;
    for (const QByteArray &bytes : {QByteArray("first {"), QByteArray("second {")}) {
        writeSettings(bytes, How::InPlace);
        ASSERT_TRUE(domain.setValue(u"k"_qs, ++value));
    }
    const QList<QByteArray> copies = brokenCopies();
    EXPECT_EQ(QSet<QByteArray>(copies.begin(), copies.end()), (QSet<QByteArray>{"first {", "second {"}));
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
    const QString shortcut = u"palette_shortcut"_qs;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        brokenCopies(true);
        writeSettings(R"({"palette_shortcut": "cmd+shift+p", "listNumber": 9})");
        SettingsDomain domain(kDomain);
        ChangeRecorder recorder(domain);
        logged.clear();

        writeSettings(row.bytes);
        domain.reload();

        EXPECT_TRUE(recorder.keys.isEmpty()) << recorder.keys.join(u',').toStdString();
        EXPECT_EQ(domain.stringValue(shortcut), u"cmd+shift+p"_qs);
        EXPECT_EQ(settings::listNumber(domain), 9);
        EXPECT_FALSE(logged.errors().isEmpty()); // logged, not silent

        ASSERT_TRUE(domain.setValue(u"k"_qs, 1));
        EXPECT_EQ(fileObject(), (QJsonObject{{shortcut, u"cmd+shift+p"_qs}, {u"listNumber"_qs, 9}, {u"k"_qs, 1}}));
        EXPECT_EQ(brokenCopies(), QList<QByteArray>{row.bytes});

        // Fixed by hand: the fix is read like any change.
        writeSettings(R"({"palette_shortcut": "cmd+shift+k"})");
        domain.reload();
        EXPECT_EQ(domain.stringValue(shortcut), u"cmd+shift+k"_qs);
        EXPECT_FALSE(domain.contains(u"k"_qs));
    }
}

TEST_F(SettingsDomainTest, FailedWriteReturnsFalseAndChangesNothingInMemory)
{
    SettingsDomain domain(kDomain);
    ASSERT_TRUE(domain.setValue(u"k"_qs, 1));
    ChangeRecorder recorder(domain);

    // The folder is replaced by a plain file: nothing can be created in it (also when running as root).
    const QString dir = paths::configDir();
    ASSERT_TRUE(QDir().rename(dir, dir + u".moved"_qs));
    writeSettings("not a folder", How::InPlace, dir);

    EXPECT_FALSE(domain.setValue(u"k"_qs, 2));
    EXPECT_FALSE(domain.setValue(u"other"_qs, 3));
    EXPECT_EQ(domain.value(u"k"_qs), QJsonValue(1));
    EXPECT_FALSE(domain.contains(u"other"_qs));
    EXPECT_TRUE(recorder.keys.isEmpty());
    EXPECT_FALSE(logged.errors().isEmpty());
}

TEST_F(SettingsDomainTest, FileThatCannotBeReadIsNeverReplaced)
{
    QDir().mkpath(settingsFile() + u"/inside"_qs); // a folder where the file should be
    SettingsDomain domain(kDomain);
    EXPECT_FALSE(domain.setValue(u"k"_qs, 1));
    EXPECT_TRUE(QFileInfo(settingsFile() + u"/inside"_qs).isDir());
    EXPECT_FALSE(domain.contains(u"k"_qs));
}

TEST_F(SettingsDomainTest, ReadsOnAnotherThreadSeeWholeValuesWhileWriting)
{
    SettingsDomain domain(kDomain);
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        for (qint64 last = -1; !stop;) {
            const QJsonArray pair = domain.arrayValue(u"pair"_qs);
            if (pair.isEmpty())
                continue;
            const qint64 first = pair.at(0).toInteger();
            badReads += (pair.at(1).toInteger() != first * 2 || first < last) ? 1 : 0;
            last = first;
        }
    });
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(domain.setValue(u"pair"_qs, QJsonArray{i, i * 2}));
    stop = true;
    reader.join();
    EXPECT_EQ(badReads, 0);
}

// ---- two processes ---------------------------------------------------------------------------------------

constexpr int kKeysPerWriter = 1000;
const QString kSharedDomain = u"two-writers"_qs;

QString writerKey(const QString &writer, int i) { return u"%1-%2"_qs.arg(writer).arg(i, 4, 10, QLatin1Char('0')); }

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
    QObject::connect(&observer, &SettingsDomain::valueChanged, &observer, [&](const QString &key) { observed.insert(key); });

    QProcess writers[2];
    const QString names[2] = {u"a"_qs, u"b"_qs};
    QByteArray output[2];
    for (int w = 0; w < 2; ++w) {
        QObject::connect(&writers[w], &QProcess::readyReadStandardOutput, &observer,
                         [&, w] { output[w] += writers[w].readAllStandardOutput(); });
        writers[w].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers[w].start(test::childProgram(), test::childArguments(u"settings_writer"_qs, {names[w], names[1 - w]}));
    }
    ASSERT_TRUE(test::waitFor([&] { return output[0].contains("ready") && output[1].contains("ready"); }));
    for (QProcess &writer : writers)
        writer.write("go\n");

    ASSERT_TRUE(test::waitFor([&] { return writers[0].state() == QProcess::NotRunning && writers[1].state() == QProcess::NotRunning; },
                              std::chrono::seconds(240)));
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
            wrong += reopened.value(writerKey(name, i)) != QJsonValue(i) ? 1 : 0;
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(logged.errors().isEmpty()) << logged.errors().join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace tavolin
