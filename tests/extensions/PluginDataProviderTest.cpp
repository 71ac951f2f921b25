#include "ExtensionTestSupport.h"
#include "extensions/PluginDataProvider.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace tavolin {
namespace {

using test::FakeNotifier;

const QStringList kBuiltinEntries = {u"Files - Copy Path.sh"_qs, u"Files - Open in Terminal.sh"_qs,
                                     u"Files - Hide or Show Hidden Files.sh"_qs};

// Finds only the executables named in `installed`.
PluginDataProvider::FindExecutable machineWith(std::set<QString> installed)
{
    return [installed](const QString &name) { return installed.count(name) ? u"/usr/bin/"_qs + name : QString(); };
}

PluginDataItem record(const QString &app, const QString &label, bool enabled = true)
{
    return PluginDataItem(app, label, QString(), label + u".sh"_qs, enabled, QString(), std::nullopt);
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
    std::unique_ptr<PluginDataProvider> makeProvider(std::set<QString> installed = {u"thunar"_qs})
    {
        return std::make_unique<PluginDataProvider>(m_notifier, machineWith(std::move(installed)));
    }
    QString folder() const { return m_home.dataHome() + u"/Tavolin/CommandExtensions"_qs; }
    // Reads the database the way the preferences program would, while no provider holds it.
    static QString stored(const QString &key) { return Store(QLatin1String(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms).get(key); }
    static void storeValue(const QString &key, const QString &value)
    {
        ASSERT_TRUE(Store(QLatin1String(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms).put(key, value));
    }

    test::IsolatedHome m_home;
    FakeNotifier m_notifier;
};

TEST_F(PluginDataProviderTest, FirstStartCopiesTheScriptsAndInstallsTheFileManagerRecords)
{
    auto provider = makeProvider({u"thunar"_qs, u"dolphin"_qs});
    provider->installDefaultPlugins();

    const QList<PluginDataItem> expected = PluginDataProvider::builtinRecords(u"thunar"_qs);
    EXPECT_EQ(provider->getExtentions(u"thunar"_qs), expected);
    for (const QString &entry : kBuiltinEntries) {
        const QFileInfo script(folder() + QLatin1Char('/') + entry);
        EXPECT_TRUE(script.isFile()) << entry.toStdString();
        EXPECT_TRUE(script.isExecutable()) << entry.toStdString();
        EXPECT_TRUE(script.isWritable()) << entry.toStdString();
    }
    provider.reset();
    EXPECT_EQ(stored(u"init"_qs), u"true"_qs);
    EXPECT_EQ(PluginDataItem::arrayFromJSON(stored(u"p_thunar.app"_qs)), expected);
}

TEST(PluginDataProvider, BuiltinRecordsNameTheFirstInstalledFileManagerAndScriptsThatExist)
{
    const QList<PluginDataItem> records = PluginDataProvider::builtinRecords(u"nemo"_qs);
    ASSERT_FALSE(records.isEmpty());
    for (const PluginDataItem &item : records) {
        EXPECT_EQ(item.app, u"nemo.app"_qs);
        EXPECT_TRUE(QFile::exists(u":/CommandExtensions/"_qs + item.entry)) << item.entry.toStdString();
    }

    const struct { const char *name; std::set<QString> installed; QString expected; } rows[] = {
        {"none falls back to nautilus", {}, u"nautilus"_qs},
        {"nautilus first", {u"dolphin"_qs, u"nautilus"_qs}, u"nautilus"_qs},
        {"thunar before dolphin", {u"dolphin"_qs, u"thunar"_qs}, u"thunar"_qs},
        {"unrelated programs ignored", {u"mousepad"_qs}, u"nautilus"_qs},
    };
    for (const auto &row : rows)
        EXPECT_EQ(PluginDataProvider::detectFileManager(machineWith(row.installed)), row.expected) << row.name;
}

TEST_F(PluginDataProviderTest, FirstStartKeepsEveryFileAlreadyInTheFolder)
{
    const QString mine = folder() + u"/Files - Copy Path.sh"_qs;
    ASSERT_TRUE(test::writeFile(mine, "echo my own version\n"));
    ASSERT_TRUE(test::writeFile(folder() + u"/notes.txt"_qs, "keep me"));

    makeProvider()->installDefaultPlugins();

    EXPECT_EQ(test::readFile(mine), QByteArray("echo my own version\n"));
    EXPECT_EQ(test::readFile(folder() + u"/notes.txt"_qs), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo::exists(folder() + u"/Files - Open in Terminal.sh"_qs));
    EXPECT_TRUE(QFileInfo::exists(folder() + u"/Files - Hide or Show Hidden Files.sh"_qs));
}

TEST_F(PluginDataProviderTest, SecondStartReadsRecordsBackAndCopiesNothing)
{
    makeProvider()->installDefaultPlugins();
    const QString removed = folder() + QLatin1Char('/') + kBuiltinEntries[0];
    ASSERT_TRUE(QFile::remove(removed));
    const QList<PluginDataItem> everywhere = {record(u"all"_qs, u"Say Hi"_qs)};
    storeValue(u"p_all"_qs, PluginDataItem::jsonFromArray(everywhere));
    storeValue(u"p_broken.app"_qs, u"[{\"app\":\"broken.app\"}]"_qs);

    // The machine changed its file manager meanwhile: the stored records win.
    auto second = makeProvider({u"nemo"_qs});
    second->installDefaultPlugins();

    EXPECT_FALSE(QFileInfo::exists(removed));
    const auto all = second->extensions();
    EXPECT_EQ(all.size(), 2);
    EXPECT_EQ(all.value(u"thunar.app"_qs), PluginDataProvider::builtinRecords(u"thunar"_qs));
    EXPECT_EQ(all.value(u"all"_qs), everywhere);
    EXPECT_TRUE(second->getExtentions(u"nemo"_qs) == everywhere);
}

TEST_F(PluginDataProviderTest, UnopenableDatabaseLeavesNoRecordsAndWritesNothing)
{
    // A plain file where the database folder should be.
    ASSERT_TRUE(test::writeFile(m_home.dataHome() + u"/Tavolin/CommandExtensions-db"_qs, "not a db"));

    auto provider = makeProvider();
    provider->installDefaultPlugins();

    EXPECT_TRUE(provider->extensions().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

TEST_F(PluginDataProviderTest, GetExtentionsAcceptsTheKeyWithOrWithoutAppAndAppendsAll)
{
    auto provider = makeProvider();
    const QList<PluginDataItem> finder = {record(u"Finder.app"_qs, u"One"_qs), record(u"Finder.app"_qs, u"Off"_qs, false)};
    provider->updateExtensions(PluginDataItem::jsonFromArray(finder), u"Finder.app"_qs);
    provider->updateExtensions(PluginDataItem::jsonFromArray({record(u"all"_qs, u"Everywhere"_qs)}), u"all"_qs);

    const QStringList expected = {u"One"_qs, u"Off"_qs, u"Everywhere"_qs};
    EXPECT_EQ(labels(provider->getExtentions(u"Finder"_qs)), expected);
    EXPECT_EQ(labels(provider->getExtentions(u"Finder.app"_qs)), expected);
    EXPECT_EQ(labels(provider->getExtentions(u"Mousepad"_qs)), QStringList{u"Everywhere"_qs});
}

TEST_F(PluginDataProviderTest, UpdateExtensionsReplacesOrRemovesOneApplication)
{
    const QString newFinderList = PluginDataItem::jsonFromArray(
        {PluginDataItem(u"Finder.app"_qs, u"New A"_qs, u"a.sh"_qs), PluginDataItem(u"Finder.app"_qs, u"New B"_qs, u"b.sh"_qs)});
    const QStringList pad{u"Pad"_qs}, newList{u"New A"_qs, u"New B"_qs};
    // finderAfter, mousepadAfter: the labels left for "Finder.app" and "mousepad.app".
    const struct { const char *name; QString json, application; QStringList finderAfter, mousepadAfter; } rows[] = {
        {"empty list removes", u"[]"_qs, u"Finder.app"_qs, {}, pad},
        {"absent JSON removes", QString(), u"Finder.app"_qs, {}, pad},
        {"malformed removes", u"[{\"app\":"_qs, u"Finder.app"_qs, {}, pad},
        {"list replaces", newFinderList, u"Finder.app"_qs, newList, pad},
        {"the key comes from the records", newFinderList, u"mousepad.app"_qs, newList, pad},
        {"unknown application removes nothing else", u"[]"_qs, u"gedit.app"_qs, {u"Old"_qs}, pad},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        test::IsolatedHome fresh;
        auto provider = makeProvider();
        provider->updateExtensions(PluginDataItem::jsonFromArray({record(u"Finder.app"_qs, u"Old"_qs)}), u"Finder.app"_qs);
        provider->updateExtensions(PluginDataItem::jsonFromArray({record(u"mousepad.app"_qs, u"Pad"_qs)}), u"mousepad.app"_qs);

        provider->updateExtensions(row.json, row.application);

        EXPECT_EQ(labels(provider->extensions().value(u"Finder.app"_qs)), row.finderAfter);
        EXPECT_EQ(labels(provider->extensions().value(u"mousepad.app"_qs)), row.mousepadAfter);
    }
}

struct FakeRow
{
    QString title;
};

TEST_F(PluginDataProviderTest, ActionRunsTheItemRecordsTheRowAndReturnsTrueAndOutlivingTheProviderOnlyRecords)
{
    auto provider = makeProvider();
    ASSERT_TRUE(test::writeFile(folder() + u"/fail.sh"_qs, "echo ran >&2; exit 1\n"));
    ASSERT_TRUE(test::writeFile(folder() + u"/mark.sh"_qs, "touch marker\n"));
    QStringList recent;
    const auto remember = [&recent](const FakeRow &row) { recent << row.title; };
    auto runs = provider->getAction<FakeRow>(PluginDataItem(u"all"_qs, u"Runs"_qs, u"fail.sh"_qs), {}, remember);
    auto marks = provider->getAction<FakeRow>(PluginDataItem(u"all"_qs, u"Mark"_qs, u"mark.sh"_qs), {}, remember);

    EXPECT_TRUE(runs(FakeRow{u"Runs"_qs}));
    EXPECT_EQ(recent, QStringList{u"Runs"_qs});
    ASSERT_TRUE(m_notifier.waitForCount(1));
    EXPECT_EQ(m_notifier.shown()[0].text, u"ran"_qs);

    provider.reset();
    EXPECT_TRUE(marks(FakeRow{u"Mark"_qs}));
    EXPECT_EQ(recent, (QStringList{u"Runs"_qs, u"Mark"_qs}));
    EXPECT_FALSE(QFileInfo::exists(folder() + u"/marker"_qs));
}

} // namespace
} // namespace tavolin
