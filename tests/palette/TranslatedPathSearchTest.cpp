// A person using an application in Chinese types English words: a row is found by the English texts of
// its menu path as well as of its own title, once the application's catalogs have been read.
#include "PaletteTestSupport.h"

#include "accessibility/AXMenu.h"
#include "accessibility/CatalogTestSupport.h"
#include "accessibility/LocaleUtils.h"
#include "palette/SearchUtils.h"
#include "support/FakeElementSource.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

constexpr int32_t kPid = 5160;

const char *const kApp = R"json({
  "title": "Scribe", "pid": 5160, "appName": "scribe",
  "menuBar": [ { "title": "文件(F)", "menu": [
      { "title": "导出", "menu": [ { "title": "网页" } ] },
      { "title": "关闭" } ] } ]
})json";

class TranslatedPathSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleUtils::resetForTesting();
        m_source = std::make_shared<FakeElementSource>();
        m_source->setRealTime(false);
        ASSERT_TRUE(m_source->addApplication(QJsonDocument::fromJson(kApp).object()));
        m_context = std::make_shared<AXReadContext>();
        m_context->source = m_source;
        m_file = std::make_shared<MenuItemData>(u"文件(F)"_qs, QStringList{}, false, std::nullopt, u"scribe"_qs);
        m_export = rowFor({u"文件(F)"_qs, u"导出"_qs}, m_file.get());
        m_webPage = rowFor({u"文件(F)"_qs, u"导出"_qs, u"网页"_qs}, m_export.get());
        m_close = rowFor({u"文件(F)"_qs, u"关闭"_qs}, m_file.get());
    }
    void TearDown() override { LocaleUtils::resetForTesting(); }

    MenuItemDataPtr rowFor(const QStringList &titles, const MenuItemData *parent)
    {
        const ElementRef element = m_source->findMenuItem(kPid, titles);
        EXPECT_TRUE(element);
        auto record = std::make_shared<AXMenuItem>(m_context, element, ReadDepth::WithSubmenus);
        return std::make_shared<MenuItemData>(record, parent, u"scribe"_qs);
    }

    // Scribe's Chinese catalog: the menu and the submenu are translated, the web page item is not.
    void readCatalog()
    {
        QString error;
        ASSERT_TRUE(test::compileCatalog(test::poHeader() + test::poEntry(u"_File"_qs, u"文件(_F)"_qs)
                                             + test::poEntry(u"Export"_qs, u"导出"_qs) + test::poEntry(u"Close"_qs, u"关闭"_qs),
                                         m_catalogs.filePath(u"zh_CN/LC_MESSAGES/scribe.mo"_qs), &error))
            << qPrintable(error);
        LocaleUtils::buildTransMap(LocaleBundle{u"org.example.Scribe"_qs, {m_catalogs.path()}, {u"scribe"_qs}},
                                   u"zh_CN"_qs);
        ASSERT_TRUE(LocaleUtils::hasTrans());
    }

    QList<MenuItemDataPtr> rows() const { return {m_export, m_webPage, m_close}; }

    test::ScopedMenuRules m_noRules;
    QTemporaryDir m_catalogs;
    std::shared_ptr<FakeElementSource> m_source;
    std::shared_ptr<AXReadContext> m_context;
    MenuItemDataPtr m_file, m_export, m_webPage, m_close;
    SearchUtils m_search;
};

TEST_F(TranslatedPathSearchTest, EnglishPathFindsAnUntranslatedItemBelowTranslatedMenus)
{
    // Without the catalog no English text is known: "file export" finds nothing.
    EXPECT_TRUE(m_search.search(u"file export"_qs, rows()).isEmpty());

    readCatalog();
    // The web page item has no English title of its own: its English path "File Export" finds it.
    const QList<MenuItemDataPtr> found = m_search.search(u"file export"_qs, rows());
    ASSERT_FALSE(found.isEmpty());
    EXPECT_TRUE(found.contains(m_webPage)) << found.size();
    EXPECT_FALSE(found.contains(m_close));
    // An English word of neither path nor title still finds nothing.
    EXPECT_TRUE(m_search.search(u"import"_qs, rows()).isEmpty());
}

} // namespace
} // namespace tavolin
