#include "files/FileDataProvider.h"

#include "FilesTestSupport.h"
#include "palette/DataSource.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::shown;
using test::StubJob;

const QString kOpened = QString::fromLatin1(filegroup::kOpened);
const QString kRecent = QString::fromLatin1(filegroup::kRecent);
const QString kFiles = QString::fromLatin1(filegroup::kFileResults);

FileItemDataPtr fileRow(const QString &path, const QString &group)
{
    return FileItemData::fromURL(QUrl::fromLocalFile(path), group);
}

FileItemDataPtr row(const QString &spec, const QString &group)
{
    if (spec.startsWith(u'/'))
        return fileRow(spec, group);
    if (spec.startsWith(u"file:"))
        return FileItemData::fromURL(QUrl(spec), group);
    auto row = std::make_shared<FileItemData>();
    row->setTitle(spec);
    row->setGroup(group);
    return row;
}

class CountingWatcher final : public FileDataProviderWatcher
{
public:
    void onUpdate(DataProvider *provider) override
    {
        ++updates;
        last = provider;
    }
    int updates = 0;
    DataProvider *last = nullptr;
};

class CountingTable final : public ResultTable
{
public:
    void reloadData() override { ++reloads; }
    int reloads = 0;
};

class FileDataProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dataSource.setMode(PanelMode::QuickOpen);
        provider->groups = {kOpened, kRecent, kFiles};
    }

    DataSource dataSource;
    test::ManualDispatcher dispatcher;
    std::shared_ptr<FileDataProvider> provider = std::make_shared<FileDataProvider>(nullptr, dataSource, dispatcher, nullptr);
};

// Rows written as a path ("/d/a.txt"), a file address ("file:///...") or a bare title (a row without address).
TEST_F(FileDataProviderTest, GroupsAreFlattenedInOrderAndEachFileIsShownOnce)
{
    const struct
    {
        const char *name;
        std::vector<std::pair<QString, QStringList>> groups;
        QStringList shown;
    } cases[] = {
        {"the first group keeps a file",
         {{kFiles, {"/d/b.txt", "/d/a.txt"}}, {kRecent, {"/d/a.txt", "/d/r.txt"}}, {kOpened, {"/d/a.txt"}}},
         {"Opened:a.txt", "Recent:r.txt", "File Results:b.txt"}},
        {"spellings of one path are one file", {{kOpened, {"file:///d/x/../a.txt"}}, {kRecent, {"/d/a.txt"}}},
         {"Opened:a.txt"}},
        {"rows without address are never duplicates", {{kOpened, {"Untitled", "Untitled"}}, {kRecent, {"Untitled"}}},
         {"Opened:Untitled", "Opened:Untitled", "Recent:Untitled"}},
        {"groups not listed are not shown", {{"Elsewhere", {"/d/e.txt"}}, {kRecent, {"/d/r.txt"}}}, {"Recent:r.txt"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        provider->itemMaps.clear();
        for (const auto &[group, specs] : c.groups) {
            for (const QString &spec : specs)
                provider->itemMaps[group] << row(spec, group);
        }
        provider->updateItems();
        EXPECT_EQ(shown(*provider), c.shown);
    }
}

TEST_F(FileDataProviderTest, ASourceReportingTwiceShowsEachFileOnceAndTellsTheWatcherEachTime)
{
    CountingWatcher watcher;
    provider->watcher = &watcher;
    StubJob recent(kRecent, dispatcher);
    const QList<FileItemDataPtr> rows = {fileRow("/d/a.txt", kRecent), fileRow("/d/b.txt", kRecent)};
    provider->onAppend(recent, rows);
    provider->onAppend(recent, {fileRow("/d/a.txt", kRecent), fileRow("/d/b.txt", kRecent)});
    EXPECT_EQ(provider->itemMaps[kRecent].size(), 4);
    EXPECT_EQ(shown(*provider), (QStringList{"Recent:a.txt", "Recent:b.txt"}));
    EXPECT_EQ(watcher.updates, 2);
    EXPECT_EQ(watcher.last, provider.get());
}

TEST_F(FileDataProviderTest, SearchAndResetEmptyTheListAtOnce)
{
    StubJob opened(kOpened, dispatcher);
    provider->onAppend(opened, {fileRow("/d/a.txt", kOpened)});
    ASSERT_EQ(provider->numberOfRows(), 1);
    CountingTable table;
    EXPECT_TRUE(provider->search(QStringLiteral("a"), &table, false));
    EXPECT_EQ(provider->numberOfRows(), 0);
    EXPECT_TRUE(provider->itemMaps.isEmpty());
    EXPECT_EQ(table.reloads, 1);
    provider->onAppend(opened, {fileRow("/d/a.txt", kOpened)});
    provider->resetStatus();
    EXPECT_EQ(provider->numberOfRows(), 0);
}

TEST_F(FileDataProviderTest, RowsOutsideTheListAreNoneAndEachGroupStartsAnew)
{
    EXPECT_TRUE(provider->isFirstInGroup(0)) << "row 0 starts a group even in an empty list";
    provider->itemMaps[kOpened] = {fileRow("/d/a.txt", kOpened), fileRow("/d/b.txt", kOpened)};
    provider->itemMaps[kRecent] = {fileRow("/d/c.txt", kRecent)};
    provider->updateItems();
    EXPECT_NE(provider->dataOnRow(2), nullptr);
    EXPECT_EQ(provider->dataOnRow(3), nullptr);
    EXPECT_EQ(provider->dataOnRow(-1), nullptr);
    EXPECT_TRUE(provider->isFirstInGroup(0));
    EXPECT_FALSE(provider->isFirstInGroup(1));
    EXPECT_TRUE(provider->isFirstInGroup(2));
    EXPECT_FALSE(provider->isFirstInGroup(3));
    EXPECT_FALSE(provider->isFirstInGroup(-1));
}

// Command and a digit pick a visible row, in quick open mode only.
TEST_F(FileDataProviderTest, DigitsPickVisibleRows)
{
    const struct
    {
        const char *name;
        QString text;
        qsizetype firstVisible;
        std::optional<QString> title; // none: nothing is picked
    } cases[] = {
        {"one is the first visible row", QStringLiteral("⌘1"), 0, QStringLiteral("f0")},
        {"nine is the ninth", QStringLiteral("⌘9"), 0, QStringLiteral("f8")},
        {"zero is the tenth", QStringLiteral("⌘0"), 0, QStringLiteral("f9")},
        {"relative to the scrolled list", QStringLiteral("⌘1"), 3, QStringLiteral("f3")},
        {"zero when scrolled", QStringLiteral("⌘0"), 4, QStringLiteral("f13")},
        {"past the end", QStringLiteral("⌘0"), 5, std::nullopt},
        {"letter", QStringLiteral("⌘a"), 0, std::nullopt},
        {"two digits", QStringLiteral("⌘12"), 0, std::nullopt},
        {"other modifier", QStringLiteral("⌥1"), 0, std::nullopt},
        {"digit alone", QStringLiteral("1"), 0, std::nullopt},
        {"non-Latin digit", QStringLiteral("⌘٣"), 0, std::nullopt},
    };
    for (int i = 0; i < 14; ++i)
        provider->itemMaps[kFiles] << fileRow(QStringLiteral("/d/f%1").arg(i), kFiles);
    provider->updateItems();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        provider->setFirstVisibleRowSource([first = c.firstVisible] { return first; });
        const RowDataPtr row = provider->itemForShortcut(c.text);
        EXPECT_EQ(row ? std::optional(row->title()) : std::nullopt, c.title);
    }
    provider->setFirstVisibleRowSource([] { return qsizetype(0); });
    for (const PanelMode mode : {PanelMode::CommandPalette, PanelMode::SelfOptions}) {
        dataSource.setMode(mode);
        EXPECT_EQ(provider->itemForShortcut(QStringLiteral("⌘1")), nullptr);
    }
}

TEST_F(FileDataProviderTest, LoadFromAppIgnoresAnAbsentApplication)
{
    provider->loadFromApp(nullptr);
    EXPECT_FALSE(provider->bundle.has_value());
    EXPECT_EQ(provider->groups, (QStringList{kOpened, kRecent, kFiles}));
}

} // namespace
} // namespace tavolin
