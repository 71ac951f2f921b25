#include "common/SettingsDomain.h"
#include "palette/Theme.h"
#include "palette/ThemeFactory.h"
#include "palette/ThemeManager.h"
#include "support/IsolatedHome.h"

#include <QJsonValue>

#include <gtest/gtest.h>

#include <ostream>

#include <functional>

namespace tavolin {
namespace {

Theme themeByName(const QString &name)
{
    for (Theme (*make)() : {ThemeFactory::defaultTheme, ThemeFactory::light, ThemeFactory::extraLight,
                            ThemeFactory::morning, ThemeFactory::vibrancy, ThemeFactory::darkVibrancy,
                            ThemeFactory::deepblue, ThemeFactory::extraDark}) {
        Theme theme = make();
        if (theme.name == name)
            return theme;
    }
    ADD_FAILURE() << "no theme " << name.toStdString();
    return Theme();
}

TEST(ThemeTest, ConstructorValues)
{
    const Theme theme;
    EXPECT_EQ(theme.name, QStringLiteral("default"));
    EXPECT_EQ(theme.apperance, ThemeAppearance::Auto);
    EXPECT_EQ(theme.window.compactBorderSize, 0);
    EXPECT_EQ(theme.window.normalBorderSize, 0);
    EXPECT_EQ(theme.window.background, std::optional<ThemeColor>(SystemColor::WindowBackground));
    EXPECT_EQ(theme.input.compactHeight, 32);
    EXPECT_EQ(theme.input.normalHeight, 48);
    EXPECT_FALSE(theme.input.background);
    EXPECT_EQ(theme.row, RowStyle());
    EXPECT_EQ(theme.highlightedRow, RowStyle());
}

TEST(ThemeTest, UnitColoursRoundToEightBits)
{
    EXPECT_EQ(rgbaFromUnit(0.14, 0.79, 1), (Rgba{36, 201, 255, 255}));
    EXPECT_EQ(grey(0.5), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(rgbaFromUnit(-1, 2, 0, 0), (Rgba{0, 255, 0, 0}));
}

struct RowHeightCase
{
    const char *name;
    std::optional<float> height;
    std::optional<float> compactHeight;
    PanelMode mode;
    float expected;
};
void PrintTo(const RowHeightCase &row, std::ostream *out) { *out << row.name; }

class RowHeightTest : public ::testing::TestWithParam<RowHeightCase>
{
};

TEST_P(RowHeightTest, UsesTheModesHeightOrItsDefault)
{
    Theme theme;
    theme.row.height = GetParam().height;
    theme.row.compactHeight = GetParam().compactHeight;
    EXPECT_EQ(theme.rowHeight(GetParam().mode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Heights, RowHeightTest,
    ::testing::Values(RowHeightCase{"NormalDefault", {}, {}, PanelMode::CommandPalette, 46},
                      RowHeightCase{"CompactDefault", {}, {}, PanelMode::QuickOpen, 30},
                      RowHeightCase{"OptionsUseTheNormalHeight", {}, {}, PanelMode::SelfOptions, 46},
                      RowHeightCase{"NormalSet", 40, 20, PanelMode::CommandPalette, 40},
                      RowHeightCase{"CompactSet", 40, 20, PanelMode::QuickOpen, 20},
                      RowHeightCase{"CompactIgnoresNormal", 40, {}, PanelMode::QuickOpen, 30},
                      RowHeightCase{"NormalIgnoresCompact", {}, 20, PanelMode::CommandPalette, 46}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ThemeTest, EveryBuiltinThemeHasTheDefaultRowHeights)
{
    for (const char *name : {"default", "Light", "Extra Light", "morning", "vibrancy", "Dark Vibrancy", "deepblue",
                             "Extra Dark"}) {
        const Theme theme = themeByName(QLatin1String(name));
        EXPECT_EQ(theme.rowHeight(PanelMode::CommandPalette), 46) << name;
        EXPECT_EQ(theme.rowHeight(PanelMode::QuickOpen), 30) << name;
    }
}

struct DarkCase
{
    const char *name;
    QString theme;
    bool desktopIsDark;
    bool expected;
};
void PrintTo(const DarkCase &row, std::ostream *out) { *out << row.name; }

class IsDarkTest : public ::testing::TestWithParam<DarkCase>
{
};

TEST_P(IsDarkTest, FollowsTheAppearance)
{
    EXPECT_EQ(themeByName(GetParam().theme).isDark(GetParam().desktopIsDark), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Themes, IsDarkTest,
    ::testing::Values(DarkCase{"DefaultOnLightDesktop", QStringLiteral("default"), false, false},
                      DarkCase{"DefaultOnDarkDesktop", QStringLiteral("default"), true, true},
                      DarkCase{"VibrancyOnDarkDesktop", QStringLiteral("vibrancy"), true, false},
                      DarkCase{"DeepblueOnLightDesktop", QStringLiteral("deepblue"), false, true},
                      DarkCase{"DarkVibrancyOnLightDesktop", QStringLiteral("Dark Vibrancy"), false, true},
                      DarkCase{"ExtraDarkOnLightDesktop", QStringLiteral("Extra Dark"), false, true},
                      DarkCase{"LightOnDarkDesktop", QStringLiteral("Light"), true, false},
                      DarkCase{"MorningOnDarkDesktop", QStringLiteral("morning"), true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ThemeTest, VibrantFollowsTheDesktop)
{
    Theme theme;
    theme.apperance = ThemeAppearance::Vibrant;
    EXPECT_EQ(theme.apperanceName(true), AppearanceName::VibrantDark);
    EXPECT_EQ(theme.apperanceName(false), AppearanceName::VibrantLight);
    EXPECT_TRUE(theme.isDark(true));
    EXPECT_FALSE(theme.isDark(false));
}

struct FactoryCase
{
    const char *name;
    QString theme;
    std::function<void(const Theme &)> check;
};
void PrintTo(const FactoryCase &row, std::ostream *out) { *out << row.name; }

class ThemeFactoryTest : public ::testing::TestWithParam<FactoryCase>
{
};

TEST_P(ThemeFactoryTest, ChangesOnlyWhatMakesTheThemeDifferent)
{
    GetParam().check(themeByName(GetParam().theme));
}

const std::optional<ThemeColor> kNoColour;

INSTANTIATE_TEST_SUITE_P(
    Themes, ThemeFactoryTest,
    ::testing::Values(
        FactoryCase{"DefaultUsesTheControlColour", QStringLiteral("default"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.window.background, std::optional<ThemeColor>(SystemColor::ControlBackground));
                        EXPECT_EQ(t.input.background, std::optional<ThemeColor>(SystemColor::ControlBackground));
                        EXPECT_EQ(t.row.recent.colorInDark, rgbaFromUnit(0.14, 0.79, 1));
                        EXPECT_FALSE(t.highlightedRow.background);
                    }},
        FactoryCase{"LightIsAlmostWhiteWithSmallText", QStringLiteral("Light"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.apperance, ThemeAppearance::Auqa);
                        EXPECT_EQ(t.row.background, rgbaFromUnit(1, 0.99, 0.99));
                        EXPECT_EQ(t.window.background, std::optional<ThemeColor>(rgbaFromUnit(1, 0.99, 0.99)));
                        EXPECT_EQ(t.row.text.size, 12.0f);
                        EXPECT_EQ(t.highlightedRow.text.color, kBlack);
                        EXPECT_EQ(t.highlightedRow.secondLabel.color, grey(0.3));
                    }},
        FactoryCase{"ExtraLightHasABorderAndShorterInput", QStringLiteral("Extra Light"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.window.normalBorderSize, 4);
                        EXPECT_EQ(t.window.compactBorderSize, 0);
                        EXPECT_EQ(t.input.normalHeight, 36);
                        EXPECT_EQ(t.input.compactHeight, 32);
                        EXPECT_EQ(t.input.background, std::optional<ThemeColor>(kWhite));
                        EXPECT_EQ(t.highlightedRow.text.color, rgbaFromUnit(0.01, 0.33, 0.78));
                    }},
        FactoryCase{"MorningHasAWideBorder", QStringLiteral("morning"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.window.normalBorderSize, 8);
                        EXPECT_EQ(t.input.normalHeight, 28);
                        EXPECT_EQ(t.row.text.color, t.row.shortcut.color);
                        EXPECT_EQ(t.highlightedRow.background, rgbaFromUnit(0.54, 0.63, 0.76));
                    }},
        FactoryCase{"VibrancyHasNoBackgrounds", QStringLiteral("vibrancy"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.apperance, ThemeAppearance::VibrantLight);
                        EXPECT_EQ(t.window.background, kNoColour);
                        EXPECT_EQ(t.input.background, kNoColour);
                        EXPECT_FALSE(t.row.background);
                        EXPECT_FALSE(t.highlightedRow.background);
                    }},
        FactoryCase{"DarkVibrancyHighlightsInGrey", QStringLiteral("Dark Vibrancy"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.window.background, kNoColour);
                        EXPECT_EQ(t.highlightedRow.background, grey(0.2));
                        EXPECT_EQ(t.row.recent.colorInDark, rgbaFromUnit(0.14, 0.79, 1));
                    }},
        FactoryCase{"DeepblueIsDarkBlue", QStringLiteral("deepblue"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.apperance, ThemeAppearance::DarkAqua);
                        EXPECT_EQ(t.window.background, kNoColour);
                        EXPECT_EQ(t.row.background, rgbaFromUnit(0.17, 0.23, 0.3));
                        EXPECT_EQ(t.input.filter.color, grey(0.9));
                        EXPECT_EQ(t.input.placeholder.color, grey(0.5));
                        EXPECT_EQ(t.highlightedRow.text.color, kWhite);
                        EXPECT_EQ(t.row.recent.color, rgbaFromUnit(0.74, 0.94, 1));
                    }},
        FactoryCase{"ExtraDarkKeepsTheInputUnpainted", QStringLiteral("Extra Dark"),
                    [](const Theme &t) {
                        EXPECT_EQ(t.window.background, std::optional<ThemeColor>(grey(0.15)));
                        EXPECT_EQ(t.row.background, grey(0.15));
                        EXPECT_EQ(t.input.background, kNoColour);
                        EXPECT_EQ(t.highlightedRow.background, kBlack);
                        EXPECT_EQ(t.input.normalHeight, 28);
                    }}),
    [](const auto &info) { return std::string(info.param.name); });

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

TEST_F(ThemeManagerTest, ListsTheEightThemesInOrder)
{
    m_manager->loadAllThemes();
    QStringList names;
    for (const auto &theme : m_manager->allThemes())
        names << theme->name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("default"), QStringLiteral("Light"), QStringLiteral("Extra Light"),
                                  QStringLiteral("morning"), QStringLiteral("vibrancy"), QStringLiteral("Dark Vibrancy"),
                                  QStringLiteral("deepblue"), QStringLiteral("Extra Dark")}));
}

struct SettingCase
{
    const char *name;
    QJsonValue setting;
    QString expected;
};
void PrintTo(const SettingCase &row, std::ostream *out) { *out << row.name; }

class CurrentThemeSettingTest : public ThemeManagerTest, public ::testing::WithParamInterface<SettingCase>
{
};

TEST_P(CurrentThemeSettingTest, RestoresTheNamedThemeElseDefault)
{
    if (!GetParam().setting.isUndefined()) {
        ASSERT_TRUE(m_settings->setValue(QStringLiteral("theme"), GetParam().setting));
    }
    EXPECT_EQ(m_manager->currentTheme()->name, GetParam().expected);
    EXPECT_EQ(m_changes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CurrentThemeSettingTest,
    ::testing::Values(SettingCase{"Absent", QJsonValue(QJsonValue::Undefined), QStringLiteral("default")},
                      SettingCase{"Deepblue", QStringLiteral("deepblue"), QStringLiteral("deepblue")},
                      SettingCase{"NameWithSpace", QStringLiteral("Extra Dark"), QStringLiteral("Extra Dark")},
                      SettingCase{"UnknownName", QStringLiteral("solarized"), QStringLiteral("default")},
                      SettingCase{"OtherCase", QStringLiteral("DEEPBLUE"), QStringLiteral("default")},
                      SettingCase{"NotAString", 3, QStringLiteral("default")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ThemeManagerTest, ApplyingAnotherThemeNotifiesOnce)
{
    const auto before = m_manager->currentTheme();
    const auto deepblue = m_manager->themeNamed(QStringLiteral("deepblue"));
    ASSERT_TRUE(deepblue);

    m_manager->apply(deepblue);

    EXPECT_EQ(m_changes, 1);
    EXPECT_EQ(m_manager->currentTheme(), deepblue);
    EXPECT_NE(m_manager->currentTheme(), before);
}

TEST_F(ThemeManagerTest, ApplyingTheCurrentThemeAgainNotifiesNothing)
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
}

TEST_F(ThemeManagerTest, ApplyingDoesNotWriteTheSetting)
{
    m_manager->apply(m_manager->themeNamed(QStringLiteral("Light")));
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
