#include "FakeDataProvider.h"
#include "PaletteTestSupport.h"

#include "common/SettingsDomain.h"
#include "palette/DataSource.h"
#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

class DataSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_source.setProviderFactory(PanelMode::CommandPalette, [this]() -> DataProvider & { return m_menus; });
        m_source.setProviderFactory(PanelMode::SelfOptions, [this]() -> DataProvider & { return m_options; });
    }

    DataSource m_source;
    test::FakeDataProvider m_menus;
    test::FakeDataProvider m_options;
};

// The mode's provider answers; a mode without one has no rows and no filter.
TEST_F(DataSourceTest, AnswersFromTheCurrentModesProvider)
{
    test::ScopedMenuRules noRules;
    m_menus.rows = {nullptr, nullptr, nullptr};
    EXPECT_EQ(m_source.numberOfRows(), 3);
    m_menus.filter(test::makeRow(u"File"_qs, {}, -1, true));
    EXPECT_TRUE(m_source.hasFilter());
    m_source.setMode(PanelMode::SelfOptions);
    EXPECT_FALSE(m_source.hasFilter());
    EXPECT_EQ(m_source.provider(), &m_options);
    EXPECT_EQ(m_source.numberOfRows(), 0);
    m_source.setMode(PanelMode::QuickOpen);
    EXPECT_EQ(m_source.provider(), nullptr);
    EXPECT_EQ(m_source.numberOfRows(), 0);
    EXPECT_FALSE(m_source.hasFilter());
}

TEST(DataSource, VisibleRowLimitFollowsListNumberButNotInQuickOpen)
{
    test::IsolatedHome home;
    SettingsDomain settings(u"io.quorvane.TavolinTest"_qs);
    ASSERT_TRUE(settings.setValue(u"listNumber"_qs, 12));
    EXPECT_EQ(DataSource::visibleRowLimit(PanelMode::CommandPalette, settings), 12);
    EXPECT_EQ(DataSource::visibleRowLimit(PanelMode::QuickOpen, settings), 9);
}

} // namespace
} // namespace tavolin
