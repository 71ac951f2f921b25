#include "common/SettingsDomain.h"
#include "palette/Theme.h"
#include "palette/ThemeManager.h"
#include "support/IsolatedHome.h"

#include <QJsonValue>

#include <gtest/gtest.h>


namespace tavolin {
namespace {

TEST(ThemeTest, UnitColoursRoundToEightBits)
{
    EXPECT_EQ(rgbaFromUnit(0.14, 0.79, 1), (Rgba{36, 201, 255, 255}));
    EXPECT_EQ(grey(0.5), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(rgbaFromUnit(-1, 2, 0, 0), (Rgba{0, 255, 0, 0}));
}

TEST(ThemeTest, RowHeightIsTheModesHeightOrItsDefault)
{
    const struct
    {
        const char *name;
        std::optional<float> height;
        std::optional<float> compactHeight;
        PanelMode mode;
        float expected;
    } cases[] = {
        {"options use the normal height", 40, 20, PanelMode::SelfOptions, 40},
        {"normal set", 40, 20, PanelMode::CommandPalette, 40},
        {"compact set", 40, 20, PanelMode::QuickOpen, 20},
        {"compact ignores normal", 40, {}, PanelMode::QuickOpen, 30},
        {"normal ignores compact", {}, 20, PanelMode::CommandPalette, 46},
    };
    for (const auto &c : cases) {
        Theme theme;
        theme.row.height = c.height;
        theme.row.compactHeight = c.compactHeight;
        EXPECT_EQ(theme.rowHeight(c.mode), c.expected) << c.name;
    }
}

// Darkness decides the panel's colours: only the appearances that follow the desktop may change with it.
TEST(ThemeTest, DarknessFollowsTheDesktopOnlyWhereTheAppearanceDoes)
{
    struct Row { ThemeAppearance appearance; bool darkOnLightDesktop; bool darkOnDarkDesktop; };
    const Row rows[] = {
        {ThemeAppearance::Auto, false, true},         {ThemeAppearance::Vibrant, false, true},
        {ThemeAppearance::Aqua, false, false},        {ThemeAppearance::VibrantLight, false, false},
        {ThemeAppearance::DarkAqua, true, true},      {ThemeAppearance::VibrantDark, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(int(row.appearance));
        Theme theme;
        theme.appearance = row.appearance;
        EXPECT_EQ(theme.isDark(false), row.darkOnLightDesktop);
        EXPECT_EQ(theme.isDark(true), row.darkOnDarkDesktop);
    }
}

class ThemeManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings = std::make_unique<SettingsDomain>();
        m_manager = std::make_unique<ThemeManager>(*m_settings);
        QObject::connect(m_manager.get(), &ThemeManager::themeChanged, [this] { ++m_changes; });
    }

    test::IsolatedHome m_home;
    std::unique_ptr<SettingsDomain> m_settings;
    std::unique_ptr<ThemeManager> m_manager;
    int m_changes = 0;
};

TEST_F(ThemeManagerTest, RestoresTheNamedThemeElseDefault)
{
    const struct { QJsonValue setting; QString expected; } cases[] = {
        {QJsonValue(QJsonValue::Undefined), QStringLiteral("default")},
        {QStringLiteral("deepblue"), QStringLiteral("deepblue")},
        {QStringLiteral("Extra Dark"), QStringLiteral("Extra Dark")},
        {QStringLiteral("solarized"), QStringLiteral("default")},
        {QStringLiteral("DEEPBLUE"), QStringLiteral("default")},
        {3, QStringLiteral("default")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.setting.toVariant().toString().toStdString());
        if (!c.setting.isUndefined()) {
            ASSERT_TRUE(m_settings->setValue(QStringLiteral("theme"), c.setting));
        }
        ThemeManager manager(*m_settings);
        int changes = 0;
        QObject::connect(&manager, &ThemeManager::themeChanged, [&changes] { ++changes; });
        EXPECT_EQ(manager.currentTheme()->name, c.expected);
        EXPECT_EQ(changes, 0);
    }
}

TEST_F(ThemeManagerTest, ApplyingNotifiesOnlyWhenTheThemeChangesAndWritesNoSetting)
{
    m_manager->apply(m_manager->themeNamed(QStringLiteral("morning")));
    ASSERT_EQ(m_changes, 1);

    m_manager->apply(m_manager->currentTheme());
    EXPECT_EQ(m_changes, 1);

    // The same theme from a rebuilt list is the same theme.
    m_manager->loadAllThemes();
    m_manager->apply(m_manager->themeNamed(QStringLiteral("morning")));
    EXPECT_EQ(m_changes, 1);
    m_manager->apply(nullptr);
    EXPECT_EQ(m_changes, 1);
    EXPECT_EQ(m_manager->currentTheme()->name, QStringLiteral("morning"));
    EXPECT_FALSE(m_settings->contains(QStringLiteral("theme")));
}

TEST_F(ThemeManagerTest, ThemeRowsFindThemesIgnoringCase)
{
    m_manager->loadAllThemes();
    ASSERT_TRUE(m_manager->themeNamed(QStringLiteral("extra dark"), Qt::CaseInsensitive));
    EXPECT_EQ(m_manager->themeNamed(QStringLiteral("extra dark"), Qt::CaseInsensitive)->name,
              QStringLiteral("Extra Dark"));
    EXPECT_FALSE(m_manager->themeNamed(QStringLiteral("extra dark")));
    EXPECT_FALSE(m_manager->themeNamed(QStringLiteral("nothing"), Qt::CaseInsensitive));
}

} // namespace
} // namespace tavolin
