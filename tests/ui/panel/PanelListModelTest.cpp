// What the list tells assistive technology about its rows: each row's title as its name and, as its
// description, the group a file row belongs to in quick open or "Recent" for a command from the history,
// although the group label is painted only once.
#include "PanelTestSupport.h"

#include <QAccessible>

namespace tavolin::test {
namespace {

class PanelListModelTest : public FilePanelFixture
{
protected:
    QVariant description(int row) { return list().model()->index(row, 0).data(Qt::AccessibleDescriptionRole); }
};

TEST_F(PanelListModelTest, EveryFileRowDescribesItsGroupNotOnlyTheFirstOfEach)
{
    showFiles({std::make_shared<FileRow>(u"a.txt"_qs, u"/tmp/a.txt"_qs, u"Opened"_qs),
               std::make_shared<FileRow>(u"b.txt"_qs, u"/tmp/b.txt"_qs, u"Recent"_qs),
               std::make_shared<FileRow>(u"c.txt"_qs, u"/tmp/c.txt"_qs, u"Recent"_qs),
               std::make_shared<FileRow>(u"d.txt"_qs, u"/tmp/d.txt"_qs, u"File Results"_qs)});
    ASSERT_EQ(list().rowCount(), 4);
    EXPECT_EQ(description(0), QVariant(u"Opened"_qs));
    EXPECT_EQ(description(1), QVariant(u"Recent"_qs));
    EXPECT_EQ(description(2), QVariant(u"Recent"_qs));
    EXPECT_EQ(description(3), QVariant(u"File Results"_qs));
    EXPECT_EQ(list().model()->index(2, 0).data().toString(), u"c.txt"_qs);
}

TEST_F(PanelListModelTest, OnlyCommandRowsFromTheHistoryAreDescribedAsRecent)
{
    m_save->setHistoryIndex(0);
    openPanel();
    ASSERT_GT(list().rowCount(), 1);
    EXPECT_EQ(list().model()->index(0, 0).data().toString(), u"Save"_qs);
    EXPECT_EQ(description(0), QVariant(u"Recent"_qs));
    EXPECT_FALSE(description(1).isValid());
}

TEST_F(PanelListModelTest, CommandRowsAndGrouplessFilesHaveNoDescription)
{
    openPanel();
    ASSERT_GT(list().rowCount(), 0);
    EXPECT_FALSE(description(0).isValid());

    showFiles({std::make_shared<FileRow>(u"loose.txt"_qs, u"/tmp/loose.txt"_qs, QString())});
    ASSERT_EQ(list().rowCount(), 1);
    EXPECT_FALSE(description(0).isValid());
    EXPECT_FALSE(description(5).isValid()) << "a row past the end";
}

TEST_F(PanelListModelTest, TheAccessibleCellCarriesTheGroup)
{
    showFiles({std::make_shared<FileRow>(u"notes.txt"_qs, u"/tmp/notes.txt"_qs, u"Recent"_qs),
               std::make_shared<FileRow>(u"plan.md"_qs, u"/tmp/plan.md"_qs, u"File Results"_qs)});
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(&list());
    ASSERT_TRUE(table);
    QStringList names;
    QStringList descriptions;
    for (int i = 0; i < table->childCount(); ++i) {
        QAccessibleInterface *cell = table->child(i);
        if (cell && cell->role() == QAccessible::ListItem) {
            names << cell->text(QAccessible::Name);
            descriptions << cell->text(QAccessible::Description);
        }
    }
    EXPECT_EQ(names, (QStringList{u"notes.txt"_qs, u"plan.md"_qs}));
    EXPECT_EQ(descriptions, (QStringList{u"Recent"_qs, u"File Results"_qs}));
}

} // namespace
} // namespace tavolin::test
