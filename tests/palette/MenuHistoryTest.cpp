#include "FakeDataProvider.h"
#include "PaletteTestSupport.h"

#include "palette/DataSource.h"
#include "palette/MenuHistory.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tavolin {
namespace {

const QString kApp = QStringLiteral("Mousepad");

MenuHistoryItemPtr entry(const QString &title, const QStringList &path = {u"File"_qs},
                         std::optional<KeyData> key = std::nullopt)
{
    return std::make_shared<const MenuHistoryItem>(title, path, std::move(key), false);
}

QStringList titles(const AppMenuHistoryItems &history)
{
    QStringList out;
    for (const auto &item : history.recents())
        out.append(item->title());
    return out;
}

class MenuHistoryTest : public ::testing::Test
{
protected:
    test::IsolatedHome m_home;
    test::ScopedMenuRules m_noRules;
    DataSource m_dataSource;
    test::ManualDispatcher m_dispatcher;
    MenuHistory m_history{m_dataSource, m_dispatcher};

    QString stored(const QString &name) { return m_history.store.db->get(name); }
};

TEST_F(MenuHistoryTest, SameCommandTwiceLeavesOneEntryAtTheFrontAndTheTenMostRecentAreKept)
{
    const AppMenuHistoryItemsPtr history = m_history.get(kApp);
    ASSERT_TRUE(history);
    history->addItem(entry(u"Save"_qs));
    history->addItem(entry(u"Open"_qs));
    history->addItem(entry(u"Save"_qs));
    EXPECT_EQ(titles(*m_history.get(kApp)), (QStringList{u"Save"_qs, u"Open"_qs}));
    for (int i = 1; i <= 10; ++i)
        history->addItem(entry(QStringLiteral("Command %1").arg(i)));
    const AppMenuHistoryItemsPtr reread = m_history.get(kApp);
    ASSERT_EQ(reread->recents().size(), 10);
    EXPECT_EQ(reread->recents().first()->title(), u"Command 10"_qs);
    EXPECT_EQ(reread->recents().last()->title(), u"Command 1"_qs);
}

TEST_F(MenuHistoryTest, RemovingTheLastEntryDeletesTheKeyAndAnotherPathRemovesNothing)
{
    const AppMenuHistoryItemsPtr history = m_history.get(kApp);
    history->addItem(entry(u"Save"_qs));
    history->removeItem(*test::makeRow(u"Save"_qs, {u"Edit"_qs}));
    EXPECT_EQ(titles(*history), QStringList{u"Save"_qs});
    ASSERT_FALSE(stored(kApp).isEmpty());
    history->removeItem(*test::makeRow(u"Save"_qs, {u"File"_qs}));
    EXPECT_TRUE(history->recents().isEmpty());
    EXPECT_TRUE(m_history.store.db->findKeys(QString()).isEmpty());
}

TEST_F(MenuHistoryTest, UndecodablePieceAmongThreeKeepsTheOtherTwoInOrder)
{
    const QString sep(AppMenuHistoryItems::Seperator);
    m_history.store.db->put(kApp, uR"({"title":"Save","path":["File"],"key":null,"isChecked":false})"_qs + sep
                                      + uR"({"title":"Broken","path":"File","isChecked":false})"_qs + sep
                                      + uR"({"title":"Undo","path":["Edit"],"isChecked":true})"_qs);
    const AppMenuHistoryItemsPtr history = m_history.get(kApp);
    EXPECT_EQ(titles(*history), (QStringList{u"Save"_qs, u"Undo"_qs}));
    EXPECT_TRUE(history->recents().at(1)->isChecked());
}

TEST(AppMenuHistoryItems, UndecodablePiecesAreSkipped)
{
    const struct { const char *name; const char16_t *json; } cases[] = {
        {"empty value", u""},
        {"not JSON", u"Save"},
        {"not an object", u"[1,2]"},
        {"missing title", uR"({"path":[],"isChecked":false})"},
        {"title not a string", uR"({"title":3,"path":[],"isChecked":false})"},
        {"path element not a string", uR"({"title":"a","path":[1],"isChecked":false})"},
        {"missing isChecked", uR"({"title":"a","path":[]})"},
        {"isChecked not a bool", uR"({"title":"a","path":[],"isChecked":1})"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto history = AppMenuHistoryItems::from(kApp, QString::fromUtf16(c.json));
        ASSERT_TRUE(history);
        EXPECT_TRUE(history->recents().isEmpty());
    }
    EXPECT_FALSE(AppMenuHistoryItems::from(QString(), uR"({"title":"a","path":[],"isChecked":false})"_qs));
    const auto badKey = AppMenuHistoryItems::from(kApp, uR"({"title":"a","path":[],"key":"{oops","isChecked":false})"_qs);
    ASSERT_EQ(badKey->recents().size(), 1);
    EXPECT_FALSE(badKey->recents().first()->key());
}

TEST(AppMenuHistoryItems, StoredValueWithMoreThanTheLimitKeepsTheFirstTen)
{
    test::ScopedMenuRules noRules;
    QStringList pieces{u"not json"_qs};
    for (int i = 0; i < 15; ++i)
        pieces << uR"({"title":"Item %1","path":[],"isChecked":false})"_qs.arg(i);
    const auto history = AppMenuHistoryItems::from(kApp, pieces.join(AppMenuHistoryItems::Seperator));
    ASSERT_TRUE(history);
    ASSERT_EQ(history->recents().size(), AppMenuHistoryItems::kLimit);
    EXPECT_EQ(history->recents().first()->title(), u"Item 0"_qs);
    EXPECT_EQ(history->recents().last()->title(), u"Item 9"_qs);
    const QList<MenuItemDataPtr> placeholders = history->makeTombstones();
    ASSERT_EQ(placeholders.size(), AppMenuHistoryItems::kLimit);
    EXPECT_EQ(placeholders.last()->historyIndex(), AppMenuHistoryItems::kLimit - 1);
}

// A paragraph separator (what joins the stored entries) inside a title or path survives, and the shortcut is
// stored as its JSON text.
TEST_F(MenuHistoryTest, TitlePathAndShortcutSurviveTheRoundTrip)
{
    const QString title = u"Line\u2029Break"_qs;
    const QStringList path{u"Format\u2029"_qs, u"Text"_qs};
    const KeyData key(u"S"_qs, 0, keymask::kShift);
    const AppMenuHistoryItemsPtr history = m_history.get(kApp);
    history->addItem(entry(u"Close"_qs));
    history->addItem(entry(title, path, key));
    const QStringList pieces = stored(kApp).split(AppMenuHistoryItems::Seperator);
    ASSERT_EQ(pieces.size(), 2);
    const QJsonObject withKey = QJsonDocument::fromJson(pieces[0].toUtf8()).object();
    ASSERT_TRUE(withKey.value(u"key"_qs).isString());
    EXPECT_EQ(KeyData::fromJson(QJsonDocument::fromJson(withKey.value(u"key"_qs).toString().toUtf8()).object()), key);
    EXPECT_TRUE(QJsonDocument::fromJson(pieces[1].toUtf8()).object().value(u"key"_qs).isNull());

    const AppMenuHistoryItemsPtr reread = m_history.get(kApp);
    ASSERT_EQ(reread->recents().size(), 2);
    EXPECT_EQ(reread->recents().at(0)->title(), title);
    EXPECT_EQ(reread->recents().at(0)->path(), path);
    EXPECT_EQ(reread->recents().at(0)->key(), key);
    EXPECT_FALSE(reread->recents().at(1)->key());
}

TEST_F(MenuHistoryTest, SameTitleInDifferentMenusIsTwoEntriesAndPathsCompareJoined)
{
    const AppMenuHistoryItemsPtr history = m_history.get(kApp);
    history->addItem(entry(u"Copy"_qs, {u"Edit"_qs}));
    history->addItem(entry(u"Copy"_qs, {u"Format"_qs}));
    EXPECT_EQ(history->recents().size(), 2);
    history->addItem(entry(u"Export"_qs, {u"File • PDF"_qs}));
    history->addItem(entry(u"Export"_qs, {u"File"_qs, u"PDF"_qs}));
    EXPECT_EQ(history->recents().size(), 3);
}

TEST_F(MenuHistoryTest, DeleteAllForgetsEveryApplicationAndNoNameGivesNoHistory)
{
    EXPECT_FALSE(m_history.get(std::nullopt));
    EXPECT_FALSE(m_history.get(QString()));
    m_history.get(kApp)->addItem(entry(u"Save"_qs));
    m_history.get(u"Gedit"_qs)->addItem(entry(u"Open"_qs));
    m_history.deleteAll();
    EXPECT_TRUE(m_history.get(kApp)->recents().isEmpty());
    EXPECT_TRUE(m_history.get(u"Gedit"_qs)->recents().isEmpty());
    m_history.get(kApp)->addItem(entry(u"Undo"_qs));
    EXPECT_EQ(titles(*m_history.get(kApp)), QStringList{u"Undo"_qs});
}

class TombstoneTest : public MenuHistoryTest
{
protected:
    void SetUp() override
    {
        m_dataSource.setProviderFactory(PanelMode::CommandPalette, [this]() -> DataProvider & { return m_provider; });
        m_dataSource.setExitPanel([this] { ++m_exits; });
        m_appHistory = m_history.get(kApp);
        m_appHistory->addItem(entry(u"Open"_qs));
        m_appHistory->addItem(entry(u"Save"_qs));
    }
    test::FakeDataProvider m_provider;
    AppMenuHistoryItemsPtr m_appHistory;
    int m_exits = 0;
};

// Placeholders carry their position and no application key; choosing one performs the live row at its
// position, later.
TEST_F(TombstoneTest, ChoosingAPlaceholderPerformsTheLiveRowAtItsPositionLater)
{
    const QList<MenuItemDataPtr> rows = m_appHistory->makeTombstones();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->title(), u"Save"_qs);
    EXPECT_EQ(rows[0]->historyIndex(), 0);
    EXPECT_EQ(rows[1]->historyIndex(), 1);
    EXPECT_EQ(rows[1]->path(), QStringList{u"File"_qs});
    EXPECT_FALSE(rows[0]->ref());

    int performed = 0;
    auto live = test::makeRow(u"Open"_qs, {u"File"_qs});
    live->setAction([&](RowData &) { ++performed; return true; });
    m_provider.rows = {test::makeRow(u"Save"_qs), live};

    EXPECT_FALSE(rows[1]->apply()); // the panel stays open for now
    EXPECT_EQ(performed, 0);
    m_dispatcher.advance(99ms);
    EXPECT_EQ(performed, 0);
    m_dispatcher.advance(1ms);
    EXPECT_EQ(performed, 1);
    EXPECT_EQ(m_exits, 1);
}

// Performing nothing keeps the panel open: a placeholder whose title no longer sits at its position, one whose
// live row fails, one of an entry dropped meanwhile.
TEST_F(TombstoneTest, APlaceholderThatPerformsNothingKeepsThePanelOpen)
{
    const QList<MenuItemDataPtr> rows = m_appHistory->makeTombstones();
    int performed = 0;
    auto other = test::makeRow(u"Print"_qs);
    other->setAction([&](RowData &) { ++performed; return true; });
    auto failing = test::makeRow(u"Save"_qs);
    failing->setAction([](RowData &) { return false; });
    for (const QList<RowDataPtr> &live : {QList<RowDataPtr>{other, other}, QList<RowDataPtr>{failing}}) {
        m_provider.rows = live;
        rows[0]->apply();
        m_dispatcher.advance(100ms);
    }
    EXPECT_EQ(performed, 0);
    EXPECT_EQ(m_exits, 0);

    m_appHistory->removeItem(*rows[0]);
    rows[0]->apply();
    EXPECT_EQ(m_dispatcher.pendingDelayed(), 0u);
}

} // namespace
} // namespace tavolin
