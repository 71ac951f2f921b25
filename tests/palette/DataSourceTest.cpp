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

TEST_F(DataSourceTest, StartsInCommandPaletteModeAnsweringFromTheMenuProvider)
{
    EXPECT_EQ(m_source.mode(), PanelMode::CommandPalette);
    m_menus.rows = {nullptr, nullptr, nullptr};
    EXPECT_EQ(m_source.numberOfRows(), 3);
}

TEST_F(DataSourceTest, HasFilterFollowsTheCurrentModesProvider)
{
    test::ScopedMenuRules noRules;
    m_menus.filter(test::makeRow(u"File"_qs, {}, -1, true));
    EXPECT_TRUE(m_source.hasFilter());
    m_source.setMode(PanelMode::SelfOptions);
    EXPECT_FALSE(m_source.hasFilter());
    EXPECT_EQ(m_source.provider(), &m_options);
}

TEST_F(DataSourceTest, ModeWithoutProviderHasNoRows)
{
    m_source.setMode(PanelMode::QuickOpen);
    EXPECT_EQ(m_source.provider(), nullptr);
    EXPECT_EQ(m_source.numberOfRows(), 0);
    EXPECT_FALSE(m_source.hasFilter());
}

struct LimitCase
{
    const char *name;
    PanelMode mode;
    std::optional<int> listNumber;
    int expected;
};

class VisibleRowLimitTable : public ::testing::TestWithParam<LimitCase>
{
protected:
    test::IsolatedHome m_home;
};

TEST_P(VisibleRowLimitTable, FollowsListNumber)
{
    SettingsDomain settings(u"io.quorvane.TavolinTest"_qs);
    if (GetParam().listNumber) {
        ASSERT_TRUE(settings.setValue(u"listNumber"_qs, *GetParam().listNumber));
    }
    EXPECT_EQ(DataSource::visibleRowLimit(GetParam().mode, settings), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, VisibleRowLimitTable,
    ::testing::Values(LimitCase{"Stored", PanelMode::CommandPalette, 12, 12},
                      LimitCase{"QuickOpenIgnoresIt", PanelMode::QuickOpen, 12, 9}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
