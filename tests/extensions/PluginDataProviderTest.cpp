#include "ExtensionTestSupport.h"
#include "extensions/PluginDataProvider.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <set>

namespace tavolin {
namespace {

using test::FakeNotifier;

const QStringList kBuiltinEntries = {QStringLiteral("Files - Copy Path.sh"),
                                     QStringLiteral("Files - Open in Terminal.sh"),
                                     QStringLiteral("Files - Hide or Show Hidden Files.sh")};

// Finds only the executables named in `installed`.
PluginDataProvider::FindExecutable machineWith(std::set<QString> installed)
{
    return [installed](const QString &name) {
        return installed.count(name) ? QStringLiteral("/usr/bin/") + name : QString();
    };
}

PluginDataItem record(const QString &app, const QString &label, bool enabled = true)
{
    return PluginDataItem(app, label, QString(), label + QStringLiteral(".sh"), enabled, QString(), std::nullopt);
}

QStringList labels(const QList<PluginDataItem> &records)
{
    QStringList result;
    for (const PluginDataItem &item : records)
        result << item.label;
    return result;
}

class PluginDataProviderTest : public ::testing::Test
{
protected:
    std::unique_ptr<PluginDataProvider> makeProvider(std::set<QString> installed = {QStringLiteral("thunar")})
    {
        return std::make_unique<PluginDataProvider>(m_notifier, machineWith(std::move(installed)));
    }
    QString folder() const { return m_home.dataHome() + QStringLiteral("/Tavolin/CommandExtensions"); }
    // Reads the database the way the preferences program would, while no provider holds it.
    QString stored(const QString &key)
    {
        Store store(QLatin1String(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms);
        return store.get(key);
    }
    void storeValue(const QString &key, const QString &value)
    {
        Store store(QLatin1String(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms);
        ASSERT_TRUE(store.put(key, value));
    }

    test::IsolatedHome m_home;
    FakeNotifier m_notifier;
};

TEST_F(PluginDataProviderTest, FirstStartCopiesTheScriptsAndInstallsTheFileManagerRecords)
{
    auto provider = makeProvider({QStringLiteral("thunar"), QStringLiteral("dolphin")});
    provider->installDefaultPlugins();

    const QList<PluginDataItem> expected = PluginDataProvider::builtinRecords(QStringLiteral("thunar"));
    EXPECT_EQ(provider->getExtentions(QStringLiteral("thunar")), expected);
    for (const QString &entry : kBuiltinEntries) {
        const QFileInfo script(folder() + QLatin1Char('/') + entry);
        EXPECT_TRUE(script.isFile()) << entry.toStdString();
        EXPECT_TRUE(script.isExecutable()) << entry.toStdString();
        EXPECT_TRUE(script.isWritable()) << entry.toStdString();
    }
    provider.reset();
    EXPECT_EQ(stored(QStringLiteral("init")), QStringLiteral("true"));
    EXPECT_EQ(PluginDataItem::arrayFromJSON(stored(QStringLiteral("p_thunar.app"))), expected);
}

TEST_F(PluginDataProviderTest, BuiltinRecordsNameTheFileManagerAndScriptsThatExist)
{
    const QList<PluginDataItem> records = PluginDataProvider::builtinRecords(QStringLiteral("nemo"));
    ASSERT_FALSE(records.isEmpty());
    for (const PluginDataItem &item : records) {
        EXPECT_EQ(item.app, QStringLiteral("nemo.app"));
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/CommandExtensions/") + item.entry)) << item.entry.toStdString();
    }
}

struct DetectCase
{
    const char *name;
    std::set<QString> installed;
    QString expected;
};
void PrintTo(const DetectCase &row, std::ostream *out) { *out << row.name; }

class DetectFileManagerTest : public ::testing::TestWithParam<DetectCase>
{
};

TEST_P(DetectFileManagerTest, TakesTheFirstInstalledInOrder)
{
    EXPECT_EQ(PluginDataProvider::detectFileManager(machineWith(GetParam().installed)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, DetectFileManagerTest,
    ::testing::Values(DetectCase{"NoneFallsBackToNautilus", {}, QStringLiteral("nautilus")},
                      DetectCase{"NautilusFirst", {QStringLiteral("dolphin"), QStringLiteral("nautilus")},
                                 QStringLiteral("nautilus")},
                      DetectCase{"ThunarBeforeDolphin", {QStringLiteral("dolphin"), QStringLiteral("thunar")},
                                 QStringLiteral("thunar")},
                      DetectCase{"UnrelatedProgramsIgnored", {QStringLiteral("mousepad")}, QStringLiteral("nautilus")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PluginDataProviderTest, FirstStartKeepsEveryFileAlreadyInTheFolder)
{
    const QString mine = folder() + QStringLiteral("/Files - Copy Path.sh");
    ASSERT_TRUE(test::writeFile(mine, "echo my own version\n"));
    ASSERT_TRUE(test::writeFile(folder() + QStringLiteral("/notes.txt"), "keep me"));

    makeProvider()->installDefaultPlugins();

    EXPECT_EQ(test::readFile(mine), QByteArray("echo my own version\n"));
    EXPECT_EQ(test::readFile(folder() + QStringLiteral("/notes.txt")), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo::exists(folder() + QStringLiteral("/Files - Open in Terminal.sh")));
    EXPECT_TRUE(QFileInfo::exists(folder() + QStringLiteral("/Files - Hide or Show Hidden Files.sh")));
}

TEST_F(PluginDataProviderTest, SecondStartReadsRecordsBackAndCopiesNothing)
{
    makeProvider()->installDefaultPlugins();
    const QString removed = folder() + QLatin1Char('/') + kBuiltinEntries[0];
    ASSERT_TRUE(QFile::remove(removed));
    const QList<PluginDataItem> everywhere = {record(QStringLiteral("all"), QStringLiteral("Say Hi"))};
    storeValue(QStringLiteral("p_all"), PluginDataItem::jsonFromArray(everywhere));
    storeValue(QStringLiteral("p_broken.app"), QStringLiteral("[{\"app\":\"broken.app\"}]"));

    // The machine changed its file manager meanwhile: the stored records win.
    auto second = makeProvider({QStringLiteral("nemo")});
    second->installDefaultPlugins();

    EXPECT_FALSE(QFileInfo::exists(removed));
    const auto all = second->extensions();
    EXPECT_EQ(all.size(), 2);
    EXPECT_EQ(all.value(QStringLiteral("thunar.app")), PluginDataProvider::builtinRecords(QStringLiteral("thunar")));
    EXPECT_EQ(all.value(QStringLiteral("all")), everywhere);
    EXPECT_TRUE(second->getExtentions(QStringLiteral("nemo")) == everywhere);
}

TEST_F(PluginDataProviderTest, UnopenableDatabaseLeavesNoRecordsAndWritesNothing)
{
    // A plain file where the database folder should be.
    ASSERT_TRUE(test::writeFile(m_home.dataHome() + QStringLiteral("/Tavolin/CommandExtensions-db"), "not a db"));

    auto provider = makeProvider();
    provider->installDefaultPlugins();

    EXPECT_TRUE(provider->extensions().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

TEST_F(PluginDataProviderTest, GetExtentionsAcceptsTheKeyWithOrWithoutAppAndAppendsAll)
{
    auto provider = makeProvider();
    const QList<PluginDataItem> finder = {record(QStringLiteral("Finder.app"), QStringLiteral("One")),
                                          record(QStringLiteral("Finder.app"), QStringLiteral("Off"), false)};
    const QList<PluginDataItem> everywhere = {record(QStringLiteral("all"), QStringLiteral("Everywhere"))};
    provider->updateExtensions(PluginDataItem::jsonFromArray(finder), QStringLiteral("Finder.app"));
    provider->updateExtensions(PluginDataItem::jsonFromArray(everywhere), QStringLiteral("all"));

    const QStringList expected = {QStringLiteral("One"), QStringLiteral("Off"), QStringLiteral("Everywhere")};
    EXPECT_EQ(labels(provider->getExtentions(QStringLiteral("Finder"))), expected);
    EXPECT_EQ(labels(provider->getExtentions(QStringLiteral("Finder.app"))), expected);
    EXPECT_EQ(labels(provider->getExtentions(QStringLiteral("Mousepad"))), QStringList{QStringLiteral("Everywhere")});
}

struct UpdateCase
{
    const char *name;
    QString json;
    QString application;
    QStringList finderAfter;   // labels left for "Finder.app"
    QStringList mousepadAfter; // labels left for "mousepad.app"
};
void PrintTo(const UpdateCase &row, std::ostream *out) { *out << row.name; }

class UpdateExtensionsTest : public PluginDataProviderTest, public ::testing::WithParamInterface<UpdateCase>
{
};

TEST_P(UpdateExtensionsTest, ReplacesOrRemovesOneApplication)
{
    auto provider = makeProvider();
    provider->updateExtensions(
        PluginDataItem::jsonFromArray({record(QStringLiteral("Finder.app"), QStringLiteral("Old"))}),
        QStringLiteral("Finder.app"));
    provider->updateExtensions(
        PluginDataItem::jsonFromArray({record(QStringLiteral("mousepad.app"), QStringLiteral("Pad"))}),
        QStringLiteral("mousepad.app"));

    provider->updateExtensions(GetParam().json, GetParam().application);

    EXPECT_EQ(labels(provider->extensions().value(QStringLiteral("Finder.app"))), GetParam().finderAfter);
    EXPECT_EQ(labels(provider->extensions().value(QStringLiteral("mousepad.app"))), GetParam().mousepadAfter);
}

const QString kNewFinderList =
    PluginDataItem::jsonFromArray({PluginDataItem(QStringLiteral("Finder.app"), QStringLiteral("New A"), QStringLiteral("a.sh")),
                                   PluginDataItem(QStringLiteral("Finder.app"), QStringLiteral("New B"), QStringLiteral("b.sh"))});

INSTANTIATE_TEST_SUITE_P(
    Commands, UpdateExtensionsTest,
    ::testing::Values(
        UpdateCase{"EmptyListRemoves", QStringLiteral("[]"), QStringLiteral("Finder.app"), {}, {QStringLiteral("Pad")}},
        UpdateCase{"AbsentJsonRemoves", QString(), QStringLiteral("Finder.app"), {}, {QStringLiteral("Pad")}},
        UpdateCase{"MalformedRemoves", QStringLiteral("[{\"app\":"), QStringLiteral("Finder.app"), {},
                   {QStringLiteral("Pad")}},
        UpdateCase{"ListReplaces", kNewFinderList, QStringLiteral("Finder.app"),
                   {QStringLiteral("New A"), QStringLiteral("New B")}, {QStringLiteral("Pad")}},
        UpdateCase{"KeyComesFromTheRecords", kNewFinderList, QStringLiteral("mousepad.app"),
                   {QStringLiteral("New A"), QStringLiteral("New B")}, {QStringLiteral("Pad")}},
        UpdateCase{"UnknownApplicationRemovesNothingElse", QStringLiteral("[]"), QStringLiteral("gedit.app"),
                   {QStringLiteral("Old")}, {QStringLiteral("Pad")}}),
    [](const auto &info) { return std::string(info.param.name); });

struct FakeRow
{
    QString title;
};

TEST_F(PluginDataProviderTest, ActionRunsTheItemRecordsTheRowAndReturnsTrue)
{
    auto provider = makeProvider();
    ASSERT_TRUE(test::writeFile(folder() + QStringLiteral("/fail.sh"), "echo ran >&2; exit 1\n"));
    const PluginDataItem item(QStringLiteral("all"), QStringLiteral("Runs"), QStringLiteral("fail.sh"));
    QStringList recent;
    auto action = provider->getAction<FakeRow>(item, {}, [&recent](const FakeRow &row) { recent << row.title; });

    EXPECT_TRUE(action(FakeRow{QStringLiteral("Runs")}));

    EXPECT_EQ(recent, QStringList{QStringLiteral("Runs")});
    ASSERT_TRUE(m_notifier.waitForCount(1));
    EXPECT_EQ(m_notifier.shown()[0].text, QStringLiteral("ran"));
}

TEST_F(PluginDataProviderTest, ActionOutlivingTheProviderOnlyRecordsTheRow)
{
    auto provider = makeProvider();
    ASSERT_TRUE(test::writeFile(folder() + QStringLiteral("/mark.sh"), "touch marker\n"));
    const PluginDataItem item(QStringLiteral("all"), QStringLiteral("Mark"), QStringLiteral("mark.sh"));
    int recorded = 0;
    auto action = provider->getAction<FakeRow>(item, {}, [&recorded](const FakeRow &) { ++recorded; });
    provider.reset();

    EXPECT_TRUE(action(FakeRow{}));

    EXPECT_EQ(recorded, 1);
    EXPECT_FALSE(QFileInfo::exists(folder() + QStringLiteral("/marker")));
}

} // namespace
} // namespace tavolin
