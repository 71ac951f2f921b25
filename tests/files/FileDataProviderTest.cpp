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

FileItemDataPtr rowWithoutUrl(const QString &title, const QString &group)
{
    auto row = std::make_shared<FileItemData>();
    row->setTitle(title);
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

TEST_F(FileDataProviderTest, GroupsAreFlattenedInOrderAndTheFirstGroupKeepsAFile)
{
    provider->itemMaps[kFiles] = {fileRow("/d/b.txt", kFiles), fileRow("/d/a.txt", kFiles)};
    provider->itemMaps[kRecent] = {fileRow("/d/a.txt", kRecent), fileRow("/d/r.txt", kRecent)};
    provider->itemMaps[kOpened] = {fileRow("/d/a.txt", kOpened)};
    provider->updateItems();
    EXPECT_EQ(shown(*provider), (QStringList{"Opened:a.txt", "Recent:r.txt", "File Results:b.txt"}));
}

TEST_F(FileDataProviderTest, SpellingsOfOnePathAreOneFile)
{
    provider->itemMaps[kOpened] = {FileItemData::fromURL(QUrl(QStringLiteral("file:///d/x/../a.txt")), kOpened)};
    provider->itemMaps[kRecent] = {fileRow("/d/a.txt", kRecent)};
    provider->updateItems();
    EXPECT_EQ(provider->numberOfRows(), 1);
}

TEST_F(FileDataProviderTest, RowsWithoutUrlAreNeverDroppedAsDuplicates)
{
    provider->itemMaps[kOpened] = {rowWithoutUrl("Untitled", kOpened), rowWithoutUrl("Untitled", kOpened)};
    provider->itemMaps[kRecent] = {rowWithoutUrl("Untitled", kRecent)};
    provider->updateItems();
    EXPECT_EQ(shown(*provider), (QStringList{"Opened:Untitled", "Opened:Untitled", "Recent:Untitled"}));
}

TEST_F(FileDataProviderTest, GroupsNotListedAreNotShown)
{
    provider->itemMaps[QStringLiteral("Elsewhere")] = {fileRow("/d/e.txt", QStringLiteral("Elsewhere"))};
    provider->itemMaps[kRecent] = {fileRow("/d/r.txt", kRecent)};
    provider->updateItems();
    EXPECT_EQ(shown(*provider), (QStringList{"Recent:r.txt"}));
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

TEST_F(FileDataProviderTest, SearchEmptiesTheListAtOnceAndReloadsTheTable)
{
    StubJob opened(kOpened, dispatcher);
    provider->onAppend(opened, {fileRow("/d/a.txt", kOpened)});
    ASSERT_EQ(provider->numberOfRows(), 1);
    CountingTable table;
    EXPECT_TRUE(provider->search(QStringLiteral("a"), &table, false));
    EXPECT_EQ(provider->numberOfRows(), 0);
    EXPECT_TRUE(provider->itemMaps.isEmpty());
    EXPECT_EQ(table.reloads, 1);
}

TEST_F(FileDataProviderTest, ResetStatusEmptiesTheList)
{
    StubJob opened(kOpened, dispatcher);
    provider->onAppend(opened, {fileRow("/d/a.txt", kOpened)});
    provider->resetStatus();
    EXPECT_EQ(provider->numberOfRows(), 0);
}

TEST_F(FileDataProviderTest, DataOnRowOutsideTheListIsNone)
{
    provider->itemMaps[kOpened] = {fileRow("/d/a.txt", kOpened)};
    provider->updateItems();
    EXPECT_NE(provider->dataOnRow(0), nullptr);
    EXPECT_EQ(provider->dataOnRow(1), nullptr);
    EXPECT_EQ(provider->dataOnRow(-1), nullptr);
}

TEST_F(FileDataProviderTest, FirstInGroup)
{
    EXPECT_TRUE(provider->isFirstInGroup(0)) << "row 0 starts a group even in an empty list";
    provider->itemMaps[kOpened] = {fileRow("/d/a.txt", kOpened), fileRow("/d/b.txt", kOpened)};
    provider->itemMaps[kRecent] = {fileRow("/d/c.txt", kRecent)};
    provider->updateItems();
    EXPECT_TRUE(provider->isFirstInGroup(0));
    EXPECT_FALSE(provider->isFirstInGroup(1));
    EXPECT_TRUE(provider->isFirstInGroup(2));
    EXPECT_FALSE(provider->isFirstInGroup(3));
    EXPECT_FALSE(provider->isFirstInGroup(-1));
}

struct ShortcutCase
{
    const char *name;
    QString text;
    qsizetype firstVisible;
    std::optional<QString> title; // none: nothing is picked
};

class FileDataProviderShortcut : public FileDataProviderTest, public ::testing::WithParamInterface<ShortcutCase>
{
};

TEST_P(FileDataProviderShortcut, DigitsPickVisibleRows)
{
    const ShortcutCase &c = GetParam();
    QList<FileItemDataPtr> rows;
    for (int i = 0; i < 14; ++i)
        rows << fileRow(QStringLiteral("/d/f%1").arg(i), kFiles);
    provider->itemMaps[kFiles] = rows;
    provider->updateItems();
    provider->setFirstVisibleRowSource([first = c.firstVisible] { return first; });
    const RowDataPtr row = provider->itemForShortcut(c.text);
    if (!c.title) {
        EXPECT_EQ(row, nullptr);
        return;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->title(), *c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileDataProviderShortcut,
    ::testing::Values(
        ShortcutCase{"OneIsTheFirstVisibleRow", QStringLiteral("⌘1"), 0, QStringLiteral("f0")},
        ShortcutCase{"NineIsTheNinth", QStringLiteral("⌘9"), 0, QStringLiteral("f8")},
        ShortcutCase{"ZeroIsTheTenth", QStringLiteral("⌘0"), 0, QStringLiteral("f9")},
        ShortcutCase{"RelativeToTheScrolledList", QStringLiteral("⌘1"), 3, QStringLiteral("f3")},
        ShortcutCase{"ZeroWhenScrolled", QStringLiteral("⌘0"), 4, QStringLiteral("f13")},
        ShortcutCase{"PastTheEnd", QStringLiteral("⌘0"), 5, std::nullopt},
        ShortcutCase{"Letter", QStringLiteral("⌘a"), 0, std::nullopt},
        ShortcutCase{"TwoDigits", QStringLiteral("⌘12"), 0, std::nullopt},
        ShortcutCase{"OtherModifier", QStringLiteral("⌥1"), 0, std::nullopt},
        ShortcutCase{"DigitAlone", QStringLiteral("1"), 0, std::nullopt},
        ShortcutCase{"NonLatinDigit", QStringLiteral("⌘٣"), 0, std::nullopt}),
    [](const ::testing::TestParamInfo<ShortcutCase> &info) { return std::string(info.param.name); });

TEST_F(FileDataProviderTest, DigitShortcutsOnlyInQuickOpenMode)
{
    provider->itemMaps[kOpened] = {fileRow("/d/a.txt", kOpened)};
    provider->updateItems();
    ASSERT_NE(provider->itemForShortcut(QStringLiteral("⌘1")), nullptr);
    dataSource.setMode(PanelMode::CommandPalette);
    EXPECT_EQ(provider->itemForShortcut(QStringLiteral("⌘1")), nullptr);
    dataSource.setMode(PanelMode::SelfOptions);
    EXPECT_EQ(provider->itemForShortcut(QStringLiteral("⌘1")), nullptr);
}

TEST_F(FileDataProviderTest, LoadFromAppIgnoresAnAbsentApplication)
{
    provider->loadFromApp(nullptr);
    EXPECT_FALSE(provider->bundle.has_value());
    EXPECT_EQ(provider->groups, (QStringList{kOpened, kRecent, kFiles}));
}

} // namespace
} // namespace tavolin
