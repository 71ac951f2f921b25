#include "files/FileItemData.h"

#include "files/FileDataProvider.h"
#include "FilesTestSupport.h"
#include "palette/DataSource.h"
#include "support/FakeWorkspace.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(FileItemData, RowFromAnAddressTakesItsFileNameAndAnIconForLocalFiles)
{
    const struct { QUrl url; QString title; bool hasIcon; } cases[] = {
        {QUrl::fromLocalFile(QStringLiteral("/home/u/notes.txt")), QStringLiteral("notes.txt"), true},
        {QUrl(QStringLiteral("file:///home/u/caf%C3%A9%20menu.md")), QStringLiteral("café menu.md"), true},
        {QUrl(QStringLiteral("file:///home/u/projects/")), QStringLiteral("projects"), true},
        {QUrl(QStringLiteral("https://example.org/a/report.pdf")), QStringLiteral("report.pdf"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url.toString().toStdString());
        const FileItemDataPtr row = FileItemData::fromURL(c.url, QStringLiteral("Recent"));
        EXPECT_EQ(row->title(), c.title);
        EXPECT_EQ(row->group(), QStringLiteral("Recent"));
        EXPECT_EQ(row->url(), c.url);
        EXPECT_EQ(row->icon().has_value(), c.hasIcon);
    }
}

TEST(FileItemData, ApplyRunsTheActionWithTheRowItselfAndIsFalseWithoutOne)
{
    FileItemData bare;
    bare.setAction({});
    EXPECT_FALSE(bare.apply());
    const FileItemDataPtr row = FileItemData::fromURL(QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt")), QStringLiteral("Opened"));
    RowData *seen = nullptr;
    row->setAction([&seen](RowData &r) {
        seen = &r;
        return false;
    });
    EXPECT_FALSE(row->apply());
    EXPECT_EQ(seen, row.get());
}

// Rows opened as the provider that lists them hands them out.
class FileItemDataOpen : public ::testing::Test
{
protected:
    FileItemDataOpen()
    {
        provider->bundle = QStringLiteral("org.example.Scribe");
        provider->appName = QStringLiteral("Scribe");
    }
    FileItemDataPtr listed(FileItemDataPtr row)
    {
        test::StubJob job(row->group(), dispatcher);
        provider->onAppend(job, {row});
        return row;
    }
    test::FakeWorkspace workspace;
    DataSource dataSource;
    test::ManualDispatcher dispatcher;
    std::shared_ptr<FileDataProvider> provider =
        std::make_shared<FileDataProvider>(nullptr, dataSource, dispatcher, &workspace);
};

TEST_F(FileItemDataOpen, DefaultActionOpensThePathWithTheTargetApplication)
{
    EXPECT_TRUE(listed(FileItemData::fromURL(QUrl(QStringLiteral("file:///home/u/caf%C3%A9.txt")), QStringLiteral("Opened")))
                    ->apply());
    EXPECT_TRUE(listed(std::make_shared<FileItemData>())->apply()); // a row without address opens the empty path
    ASSERT_EQ(workspace.requests.size(), 2u);
    EXPECT_EQ(workspace.requests[0].path, QStringLiteral("/home/u/café.txt"));
    EXPECT_EQ(workspace.requests[0].app.bundleIdentifier, QStringLiteral("org.example.Scribe"));
    EXPECT_EQ(workspace.requests[0].app.appName, QStringLiteral("Scribe"));
    EXPECT_TRUE(workspace.requests[1].path.isEmpty());
}

TEST_F(FileItemDataOpen, OpeningReportsSuccessEvenWhenTheDesktopFails)
{
    workspace.failOpen = true;
    const FileItemDataPtr row =
        listed(FileItemData::fromURL(QUrl::fromLocalFile(QStringLiteral("/x/y.txt")), QStringLiteral("Recent")));
    EXPECT_TRUE(row->apply());
    EXPECT_EQ(workspace.requests.size(), 1u);
}

TEST_F(FileItemDataOpen, RowOfAProviderGoneOpensWithTheDefaultApplication)
{
    const FileItemDataPtr row =
        listed(FileItemData::fromURL(QUrl::fromLocalFile(QStringLiteral("/x/y.txt")), QStringLiteral("Recent")));
    provider.reset();
    EXPECT_TRUE(row->apply());
    ASSERT_EQ(workspace.requests.size(), 1u);
    EXPECT_FALSE(workspace.requests[0].app.bundleIdentifier);
}

TEST(FileItemData, OpeningWithoutAWorkspaceIsHarmless)
{
    DataSource dataSource;
    test::ManualDispatcher dispatcher;
    const auto provider = std::make_shared<FileDataProvider>(nullptr, dataSource, dispatcher, nullptr);
    const FileItemDataPtr row = FileItemData::fromURL(QUrl::fromLocalFile(QStringLiteral("/x/y.txt")), QStringLiteral("Recent"));
    test::StubJob job(row->group(), dispatcher);
    provider->onAppend(job, {row});
    EXPECT_TRUE(row->apply());
}

} // namespace
} // namespace tavolin
