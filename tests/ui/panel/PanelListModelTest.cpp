// What the list tells assistive technology about its rows: each row's title as its name and, as its
// description, the group (a file row's in quick open, "Recent" for a command from the history) on a line of
// its own, although the group label is painted only once, then the menu path and shortcut or the file's folder.
#include "PanelTestSupport.h"

#include <QAccessible>

namespace tavolin::test {
namespace {

class PanelListModelTest : public FilePanelFixture
{
protected:
    QVariant description(int row) { return list().model()->index(row, 0).data(Qt::AccessibleDescriptionRole); }
    // The name and description of each cell of the list's accessible table, in order.
    QList<std::pair<QString, QString>> cells()
    {
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(&list());
        EXPECT_TRUE(table && table->text(QAccessible::Name) == u"Results"_qs);
        QList<std::pair<QString, QString>> cells;
        for (int i = 0; table && i < table->childCount(); ++i) {
            QAccessibleInterface *cell = table->child(i);
            if (cell && cell->role() == QAccessible::ListItem)
                cells.append({cell->text(QAccessible::Name), cell->text(QAccessible::Description)});
        }
        return cells;
    }
};

TEST_F(PanelListModelTest, EveryFileRowDescribesItsGroupAndFolderNotOnlyTheFirstOfEach)
{
    showFiles({std::make_shared<FileRow>(u"a.txt"_qs, u"/tmp/a.txt"_qs, u"Opened"_qs),
               std::make_shared<FileRow>(u"b.txt"_qs, u"/tmp/b.txt"_qs, u"Recent"_qs),
               std::make_shared<FileRow>(u"c.txt"_qs, u"/srv/c.txt"_qs, u"Recent"_qs),
               std::make_shared<FileRow>(u"d.txt"_qs, u"/tmp/d.txt"_qs, u"File Results"_qs),
               std::make_shared<FileRow>(u"loose.txt"_qs, u"/tmp/loose.txt"_qs, QString())});
    ASSERT_EQ(list().rowCount(), 5);
    const QMap<QString, QString> expected{{u"a.txt"_qs, u"Opened\n/tmp"_qs},
                                          {u"b.txt"_qs, u"Recent\n/tmp"_qs},
                                          {u"c.txt"_qs, u"Recent\n/srv"_qs},
                                          {u"d.txt"_qs, u"File Results\n/tmp"_qs},
                                          {u"loose.txt"_qs, u"/tmp"_qs}};
    const auto shown = cells();
    ASSERT_EQ(shown.size(), 5);
    for (int row = 0; row < 5; ++row) {
        const QString title = list().model()->index(row, 0).data().toString();
        EXPECT_EQ(shown.at(row).first, title) << "the cells come in the rows' order";
        EXPECT_EQ(shown.at(row).second, expected.value(title)) << title.toStdString();
        EXPECT_EQ(description(row).toString(), expected.value(title)) << title.toStdString();
    }
    EXPECT_FALSE(description(5).isValid()) << "a row past the end";
}

TEST_F(PanelListModelTest, CommandRowsTellTheirMenuPathAndShortcutAndFromTheHistoryTheirGroup)
{
    m_save->setHistoryIndex(0);
    openPanel();
    QMap<QString, QString> shown;
    for (const auto &[name, text] : cells())
        shown.insert(name, text);
    const struct { QString title; QString description; } cases[] = {
        {u"Save"_qs, u"Recent\nmenu File"_qs},  // from the history: the group on its own line first
        {u"New"_qs, u"menu File, shortcut Ctrl+N"_qs},
        {u"PDF"_qs, u"menu File > Export"_qs},   // the whole path, not the last menu only
        {u"Export"_qs, u"menu File, submenu"_qs}, // a submenu tells so instead of its arrow glyph
        {u"File"_qs, u"submenu"_qs},              // at the top: no path
    };
    for (const auto &row : cases) {
        ASSERT_TRUE(shown.contains(row.title)) << row.title.toStdString() << " not listed";
        EXPECT_EQ(shown.value(row.title).toStdString(), row.description.toStdString()) << row.title.toStdString();
    }
}

} // namespace
} // namespace tavolin::test
