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
    EXPECT_TRUE(m_options.filterResults.at(deepblue)->apply());
    EXPECT_EQ(m_themes.currentTheme()->name, u"deepblue"_qs);
    EXPECT_EQ(m_options.theme()->hintLabel(), u"Current Theme: deepblue"_qs);
    m_options.unfilter();
    enterThemes();
    EXPECT_EQ(m_options.firstSelectedItem(), deepblue);
}

TEST_F(OptionDataProviderTest, AddingAnUpdateTwiceLeavesOneRowOnTopWithTheLaterVersion)
{
    m_options.addUpdateMenu(u"1.5"_qs);
    m_options.addUpdateMenu(u"1.6"_qs);
    EXPECT_EQ(titlesOf(m_options.allRows),
              (QStringList{u"Update"_qs, u"Preferences"_qs, u"Themes"_qs, u"About Tavolin"_qs, u"Quit"_qs}));
    EXPECT_EQ(m_options.allRows.first()->hintLabel(), u"Next version: 1.6"_qs);
    EXPECT_EQ(m_options.allRows.first()->primaryHint(), u"Update Avaiable"_qs);
    m_options.allRows.first()->apply();
    EXPECT_EQ(m_shell.requests, QStringList{u"checkForUpdates"_qs});
    m_options.removeUpdateMenu();
    EXPECT_EQ(m_options.allRows.size(), 4);
    EXPECT_TRUE(m_options.updateMenuItem());
}

TEST_F(OptionDataProviderTest, AboutAndPreferencesOpenTheRightPane)
{
    const struct { const char *option; bool installed; const char *request; } cases[] = {
        {"About Tavolin", true, "openUrl:tavolin-preferences://preferences/about"},
        {"About Tavolin", false, "openPreferences"}, // without the preferences program
        {"Preferences", true, "openPreferences"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.request);
        m_shell.requests.clear();
        m_shell.preferencesInstalled = c.installed;
        EXPECT_TRUE(option(QString::fromUtf8(c.option))->apply());
        EXPECT_EQ(m_shell.requests, QStringList{QString::fromUtf8(c.request)});
    }
}

TEST_F(OptionDataProviderTest, QuitAsksTheShellOnlyAfterTheCurrentEvent)
{
    EXPECT_TRUE(option(u"Quit"_qs)->apply());
    EXPECT_TRUE(m_shell.requests.isEmpty());
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_shell.requests, QStringList{u"terminate"_qs});
}

// Key codes: 35 P, 122 F1.
TEST(TavolinShortcutValidator, AcceptsWhatTheLibraryAcceptsWithOptionAllowedAndNothingIsEverTaken)
{
    ShortcutValidator library;
    TavolinShortcutValidator validator(library);
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(35, eventflag::kOption)));
    EXPECT_TRUE(library.allowAnyShortcutWithOptionModifier());
    EXPECT_FALSE(validator.isShortcutValid(Shortcut(35, eventflag::kShift)));
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(122, 0)));
    EXPECT_FALSE(validator.isShortcutValid(std::nullopt));
    QString explanation = u"untouched"_qs;
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(&explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenIn(Shortcut(35, eventflag::kCommand), nullptr, &explanation));
    EXPECT_EQ(explanation, u"untouched"_qs);
}

} // namespace
} // namespace tavolin
