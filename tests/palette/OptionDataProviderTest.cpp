#include "MenuFlowSupport.h"
#include "PaletteTestSupport.h"

#include "common/KeyData.h"
#include "common/SettingsDomain.h"
#include "common/ShortcutValidator.h"
#include "palette/OptionDataProvider.h"
#include "palette/TavolinShortcutValidator.h"
#include "support/FakeShellPort.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::titlesOf;

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.options-test");

class OptionDataProviderTest : public ::testing::Test
{
protected:
    MenuItemDataPtr option(const QString &title) const
    {
        for (const MenuItemDataPtr &row : m_options.allRows) {
            if (row->title() == title)
                return row;
        }
        return nullptr;
    }
    // What the panel does when the user enters the "Themes" row.
    void enterThemes()
    {
        m_options.theme()->applyCustomAction();
        m_options.filter(m_options.theme());
    }

    test::ManualDispatcher m_dispatcher;
    test::IsolatedHome m_home;
    test::ScopedMenuRules m_noRules;
    SettingsDomain m_settings{kDomain};
    ThemeManager m_themes{m_settings};
    test::FakeShellPort m_shell;
    OptionDataProvider m_options{m_shell, m_themes, m_dispatcher, u"1.4.2"_qs, u"tavolin"_qs};
};

TEST_F(OptionDataProviderTest, ShortcutsAreShownButNeverLookedUp)
{
    EXPECT_EQ(option(u"Preferences"_qs)->shortcut()->toString(), u"⌘,"_qs);
    EXPECT_EQ(option(u"Quit"_qs)->shortcut()->toString(), u"⌘Q"_qs);
    EXPECT_FALSE(m_options.itemForShortcut(u"⌘,"_qs));
    EXPECT_FALSE(m_options.itemForShortcut(u"⌘Q"_qs));
}

TEST_F(OptionDataProviderTest, EnteringThemesTwiceListsEachThemeOnceWithTheCurrentSelected)
{
    enterThemes();
    m_options.unfilter();
    enterThemes();
    QStringList names;
    for (const ThemeManager::ThemePtr &theme : m_themes.allThemes())
        names << theme->name;
    EXPECT_EQ(titlesOf(m_options.filterResults), names);
    EXPECT_EQ(m_options.themeMenus().size(), names.size());
    EXPECT_EQ(m_options.inputHint(), u"Press ↑ ↓ to Switch Themes"_qs);
    EXPECT_EQ(m_options.firstSelectedItem(), 0); // "default" is first and current
    // Theme rows belong to the "Themes" level only.
    m_options.clearfilter();
    EXPECT_EQ(titlesOf(m_options.filterResults),
              (QStringList{u"Preferences"_qs, u"Themes"_qs, u"About Tavolin"_qs, u"Quit"_qs}));
}

TEST_F(OptionDataProviderTest, ChoosingAThemeRowAppliesItAndTheNextEntryChecksIt)
{
    enterThemes();
    const qsizetype deepblue = titlesOf(m_options.filterResults).indexOf(u"deepblue"_qs);
    ASSERT_GE(deepblue, 0);
    EXPECT_EQ(m_options.filterResults.at(deepblue)->hintLabel(), u"Dark"_qs);
    EXPECT_TRUE(m_options.filterResults.at(deepblue)->apply(0));
    EXPECT_EQ(m_themes.currentTheme()->name, u"deepblue"_qs);
    EXPECT_EQ(m_options.theme()->hintLabel(), u"Current Theme: deepblue"_qs);
    m_options.unfilter();
    enterThemes();
    EXPECT_EQ(m_options.firstSelectedItem(), deepblue);
}

TEST_F(OptionDataProviderTest, ThemeRowNamingNoThemeDoesNothingAndSucceeds)
{
    enterThemes();
    const MenuItemDataPtr row = m_options.filterResults.first();
    row->setTitle(u"no such theme"_qs);
    EXPECT_TRUE(row->apply(0));
    EXPECT_EQ(m_themes.currentTheme()->name, u"default"_qs);
}

TEST_F(OptionDataProviderTest, AddingAnUpdateTwiceLeavesOneRowOnTopWithTheLaterVersion)
{
    m_options.addUpdateMenu(u"1.5"_qs);
    m_options.addUpdateMenu(u"1.6"_qs);
    EXPECT_EQ(titlesOf(m_options.allRows),
              (QStringList{u"Update"_qs, u"Preferences"_qs, u"Themes"_qs, u"About Tavolin"_qs, u"Quit"_qs}));
    EXPECT_EQ(m_options.allRows.first()->hintLabel(), u"Next version: 1.6"_qs);
    EXPECT_EQ(m_options.allRows.first()->primaryHint(), u"Update Avaiable"_qs);
    m_options.allRows.first()->apply(0);
    EXPECT_EQ(m_shell.requests, QStringList{u"checkForUpdates"_qs});
    m_options.removeUpdateMenu();
    EXPECT_EQ(m_options.allRows.size(), 4);
    EXPECT_TRUE(m_options.updateMenuItem());
}

struct PreferencesCase
{
    const char *name;
    const char *option;
    bool installed;
    const char *request;
};

class OpenPreferencesTest : public OptionDataProviderTest, public ::testing::WithParamInterface<PreferencesCase>
{};

TEST_P(OpenPreferencesTest, OpensTheRightPane)
{
    m_shell.preferencesInstalled = GetParam().installed;
    EXPECT_TRUE(option(QString::fromUtf8(GetParam().option))->apply(0));
    EXPECT_EQ(m_shell.requests, QStringList{QString::fromUtf8(GetParam().request)});
}

INSTANTIATE_TEST_SUITE_P(
    Options, OpenPreferencesTest,
    ::testing::Values(
        PreferencesCase{"AboutByAddress", "About Tavolin", true, "openUrl:tavolin-preferences://preferences/about"},
        PreferencesCase{"AboutWithoutThePreferencesProgram", "About Tavolin", false, "openPreferences"},
        PreferencesCase{"PreferencesAlwaysLaunches", "Preferences", true, "openPreferences"}),
    [](const ::testing::TestParamInfo<PreferencesCase> &info) { return std::string(info.param.name); });

TEST_F(OptionDataProviderTest, QuitAsksTheShellOnlyAfterTheCurrentEvent)
{
    EXPECT_TRUE(option(u"Quit"_qs)->apply(0));
    EXPECT_TRUE(m_shell.requests.isEmpty());
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_shell.requests, QStringList{u"terminate"_qs});
}

// Key codes: 35 P, 122 F1.
struct ValidatorCase
{
    const char *name;
    int64_t keyCode;
    uint64_t flags;
    bool valid;
};

class TavolinShortcutValidatorTest : public ::testing::TestWithParam<ValidatorCase>
{};

TEST_P(TavolinShortcutValidatorTest, AcceptsWhatTheLibraryAcceptsWithOptionAllowed)
{
    ShortcutValidator library;
    TavolinShortcutValidator validator(library);
    EXPECT_EQ(validator.isShortcutValid(Shortcut(GetParam().keyCode, GetParam().flags)), GetParam().valid);
    EXPECT_TRUE(library.allowAnyShortcutWithOptionModifier());
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, TavolinShortcutValidatorTest,
    ::testing::Values(ValidatorCase{"OptionAlone", 35, eventflag::kOption, true},
                      ValidatorCase{"ShiftAlone", 35, eventflag::kShift, false},
                      ValidatorCase{"FunctionKeyAlone", 122, 0, true}),
    [](const ::testing::TestParamInfo<ValidatorCase> &info) { return std::string(info.param.name); });

TEST(TavolinShortcutValidator, NoShortcutIsInvalidAndNothingIsEverTaken)
{
    ShortcutValidator library;
    TavolinShortcutValidator validator(library);
    EXPECT_FALSE(validator.isShortcutValid(std::nullopt));
    QString explanation = u"untouched"_qs;
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(&explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenIn(Shortcut(35, eventflag::kCommand), nullptr, &explanation));
    EXPECT_EQ(explanation, u"untouched"_qs);
}

} // namespace
} // namespace tavolin
