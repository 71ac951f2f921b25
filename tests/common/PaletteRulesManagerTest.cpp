#include "common/PaletteRulesManager.h"

#include "CommonTestSupport.h"
#include "common/DefaultRules.h"
#include "common/HotkeyBinder.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/IsolatedHome.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

const QString kRulesKey = QString(settings::kAppRules);
const QString kDefaultKey = QString(settings::kAppRuleDefault);
const QString kMenusKey = QString(settings::kMenuRules);
const QString kEditor = u"org.example.Editor"_qs;
const QString kOther = u"org.example.Other"_qs;
const QString kOn = u"org.example.On"_qs;

// Values, not arrays: a braced list whose one element is a QJsonArray copies it under clang instead of
// nesting it, so every list below is built from values.
QJsonValue rule(const char *identifier, const char *ruleText)
{
    return QJsonArray{QString::fromUtf8(identifier), QString::fromUtf8(ruleText), QString::fromUtf8(identifier)};
}

QJsonValue menuRule(const char *title, int option) { return QJsonArray{QString::fromUtf8(title), option}; }

class PaletteRulesManagerTest : public ::testing::Test
{
protected:
    void TearDown() override { manager.reset(); }

    PaletteRulesManager &start(const QLocale &locale = QLocale(QLocale::English, QLocale::UnitedStates))
    {
        manager.reset();
        manager = std::make_unique<PaletteRulesManager>(settings, [this] { return currentShortcut; }, locale);
        return *manager;
    }
    QStringList takeInfoLines() { return logged.lines(log::Level::Info, true); }

    test::LogCapture logged;
    test::IsolatedHome home;
    SettingsDomain settings{u"io.quorvane.Tavolin.RulesTest"_qs};
    std::optional<Shortcut> currentShortcut;
    std::unique_ptr<PaletteRulesManager> manager;
};

TEST(AppRule, StoredStringsReadBackOnlyInTheirExactSpelling)
{
    for (AppRule rule : kAllAppRules)
        EXPECT_EQ(appRuleFromString(appRuleString(rule)), rule);
    EXPECT_EQ(appRuleFromString(u"Allow"_qs), std::nullopt);
    EXPECT_EQ(appRuleFromString(QString()), std::nullopt);
}

// Without a list, or with one that lost its shape (kept in the log), the built-in rules are written and apply.
TEST_F(PaletteRulesManagerTest, WithoutAListTheBuiltInRulesAreWrittenAndApply)
{
    const struct { const char *name; QJsonValue stored; } rows[] = {
        {"absent", QJsonValue::Undefined}, {"text", u"allow"_qs}, {"number", 3},
        {"object", QJsonObject{{kEditor, u"allow"_qs}}}, {"null", QJsonValue::Null}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        settings.setValue(kRulesKey, row.stored);
        logged.clear();

        PaletteRulesManager &rules = start();

        EXPECT_EQ(settings.value(kRulesKey).toArray(), DefaultRules::appRulesJson());
        // Editors with their own palette on the same key keep it, as their Linux packages name them.
        for (const char *desktopId : {"code", "com.visualstudio.code", "codium", "sublime_text"})
            EXPECT_EQ(rules.ruleForApp(QString::fromLatin1(desktopId)), AppRule::Disabled) << desktopId;
        EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Auto);
        EXPECT_EQ(rules.ruleForApp(QString()), AppRule::Disabled); // no application
        const QStringList errors = logged.errors();
        if (row.stored.isUndefined()) {
            EXPECT_EQ(errors, QStringList()) << "a first start is not an error";
            continue;
        }
        ASSERT_EQ(errors.size(), 1) << "a list that lost its shape is kept in the log";
        EXPECT_TRUE(errors[0].startsWith(kRulesKey + u" is not a list of rules ("_qs)) << errors[0].toStdString();
    }
}

TEST_F(PaletteRulesManagerTest, StoredEntriesAreReadOneByOne)
{
    const QJsonArray stored{rule("org.example.A", "allow"),
                            QJsonArray{u"org.example.Short"_qs},
                            QJsonArray{7, u"allow"_qs},
                            QJsonArray{u"org.example.C"_qs, true},
                            u"org.example.Text"_qs,
                            QJsonArray{u"org.example.B"_qs, u"disabled"_qs},
                            rule("org.example.Twice", "allow"),
                            rule("org.example.Twice", "disabled"),
                            rule("org.example.Unknown", "sometimes")};
    settings.setValue(kRulesKey, stored);
    settings.setValue(kDefaultKey, u"allow"_qs);

    PaletteRulesManager &rules = start();

    EXPECT_EQ(settings.value(kRulesKey).toArray(), stored); // the user's list is never overwritten
    const struct { const char *id; AppRule expected; } rows[] = {
        {"org.example.A", AppRule::Allow},
        {"org.example.B", AppRule::Disabled},        // two strings are enough
        {"org.example.C", AppRule::Allow},           // malformed: the default
        {"code", AppRule::Allow},                    // not listed: the default, no built-in rule
        {"org.example.Twice", AppRule::Disabled},    // the later entry wins
        {"org.example.Unknown", AppRule::Allow},     // an unknown rule string follows the default
    };
    for (const auto &row : rows)
        EXPECT_EQ(rules.ruleForApp(QString::fromLatin1(row.id)), row.expected) << row.id;
}

// Rules stored before applications were named by desktop id carry the executable name.
TEST_F(PaletteRulesManagerTest, ARuleStoredUnderTheExecutableNameAnswersUntilOneNamesTheDesktopId)
{
    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("geany", "auto")});
    settings.setValue(kDefaultKey, u"allow"_qs);
    PaletteRulesManager &rules = start();
    const QString mousepad = u"org.xfce.mousepad"_qs, geany = u"org.geany.geany"_qs;

    EXPECT_EQ(rules.ruleForApp(mousepad, u"mousepad"_qs), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(mousepad), AppRule::Allow); // no executable name: the default
    EXPECT_EQ(rules.ruleForApp(kOther, u"other"_qs), AppRule::Allow);

    // A decision for the "auto" one is dropped when its stored rule changes.
    EXPECT_TRUE(rules.updateRuleForApp(geany, false, u"geany"_qs));
    EXPECT_EQ(rules.ruleForApp(geany, u"geany"_qs), AppRule::Disabled);
    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("geany", "allow")});
    EXPECT_EQ(rules.ruleForApp(geany, u"geany"_qs), AppRule::Allow);

    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("org.xfce.mousepad", "allow")});
    EXPECT_EQ(rules.ruleForApp(mousepad, u"mousepad"_qs), AppRule::Allow);
}

TEST_F(PaletteRulesManagerTest, TheDefaultRuleAppliesToApplicationsWithoutAnEntry)
{
    const struct { const char *name; QJsonValue stored; AppRule expected; } rows[] = {
        {"allow", u"allow"_qs, AppRule::Allow},
        {"disabled", u"disabled"_qs, AppRule::Disabled},
        {"auto", u"auto"_qs, AppRule::Auto},
        {"unknown text", u"never"_qs, AppRule::Auto},
        {"wrong case", u"DISABLED"_qs, AppRule::Auto},
        {"number", 1, AppRule::Auto},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        settings.setValue(kDefaultKey, row.stored);
        PaletteRulesManager &rules = start();
        EXPECT_EQ(rules.defaultRule(), row.expected);
        EXPECT_EQ(rules.ruleForApp(kEditor), row.expected);
    }
}

TEST_F(PaletteRulesManagerTest, OnlyAutoApplicationsRecordADecisionWhichThenAnswersSilently)
{
    settings.setValue(kRulesKey, QJsonArray{QJsonArray{u"org.example.Off"_qs, u"disabled"_qs}, QJsonArray{kOn, u"allow"_qs}});
    PaletteRulesManager &rules = start();
    takeInfoLines();

    EXPECT_TRUE(rules.updateRuleForApp(kEditor, true));
    EXPECT_EQ(takeInfoLines(), QStringList{u"shouldTrigger of org.example.Editor become 1"_qs});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Allow);
    EXPECT_TRUE(takeInfoLines().empty());
    EXPECT_TRUE(rules.updateRuleForApp(kEditor, false));
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

    EXPECT_FALSE(rules.updateRuleForApp(u"org.example.Off"_qs, true));
    EXPECT_EQ(rules.ruleForApp(u"org.example.Off"_qs), AppRule::Disabled);
    EXPECT_FALSE(rules.updateRuleForApp(kOn, false));
    EXPECT_EQ(rules.ruleForApp(kOn), AppRule::Allow);
    takeInfoLines();
    EXPECT_FALSE(rules.updateRuleForApp(QString(), true));
    EXPECT_TRUE(takeInfoLines().empty());
}

// A changed list drops the decisions of every application it names, changed or not; a mistyped change is
// ignored.
TEST_F(PaletteRulesManagerTest, AChangedListDropsTheDecisionsOfTheApplicationsItNames)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto"), rule("org.example.B", "allow")});
    PaletteRulesManager &rules = start();
    rules.updateRuleForApp(kEditor, false);
    rules.updateRuleForApp(kOther, true);
    ASSERT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto"), rule("org.example.B", "disabled")});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Auto); // listed: decided again
    EXPECT_EQ(rules.ruleForApp(kOther), AppRule::Allow); // not named anywhere: kept

    rules.updateRuleForApp(kEditor, false);
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "allow")});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Allow);

    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto")});
    EXPECT_TRUE(rules.updateRuleForApp(kEditor, true));
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "disabled")});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

    settings.setValue(kRulesKey, u"garbage"_qs);
    settings.remove(kRulesKey);
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(kOther), AppRule::Allow);
}

// Decisions come from finding the palette's key in an application's menus: a new key asks again. Either
// stored form of the key may change first (the preferences program writes both; another writer one). A
// disabled default drops them too.
TEST_F(PaletteRulesManagerTest, AChangedPaletteShortcutOrADisabledDefaultDropsEveryDecision)
{
    const struct { QString key; QString value; AppRule after; } changes[] = {
        {QString(settings::kPaletteShortcut), u"cmd+shift+n"_qs, AppRule::Auto},
        {QString(settings::kPaletteShortcutString), u"⇧⌘N"_qs, AppRule::Auto},
        {kDefaultKey, u"disabled"_qs, AppRule::Disabled},
    };
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.On", "allow")});
    for (const auto &change : changes) {
        SCOPED_TRACE(change.key.toStdString());
        settings.remove(change.key);
        PaletteRulesManager &rules = start();
        rules.updateRuleForApp(kEditor, false);
        rules.updateRuleForApp(kOther, true);
        ASSERT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

        settings.setValue(change.key, change.value);

        EXPECT_EQ(rules.ruleForApp(kEditor), change.after);
        EXPECT_EQ(rules.ruleForApp(kOther), change.after);
        EXPECT_EQ(rules.ruleForApp(kOn), AppRule::Allow); // a rule, not a decision
        EXPECT_EQ(rules.updateRuleForApp(kEditor, true), change.after == AppRule::Auto);
    }
}

TEST_F(PaletteRulesManagerTest, MenuTitlesMatchAfterNormalisation)
{
    const struct { const char *name; const char *stored; const char *asked; bool matches; } rows[] = {
        {"ellipsis asked with three dots", "Export…", "Export...", true},
        {"ellipsis asked without dots", "Export…", "Export", true},
        {"ellipsis asked in capitals", "Export…", "EXPORT…", true},
        {"three dots asked with ellipsis", "Save As...", "save as…", true},
        {"no dots asked with ellipsis", "Print", "Print…", true},
        {"dots inside the title", "Go...To", "goto", true},
        {"longer title", "Export…", "Exports", false},
        {"other title", "Export…", "Import…", false},
        {"absent title", "Export…", "", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        settings.setValue(kMenusKey, QJsonObject{{u"gedit.app"_qs, QJsonArray{menuRule(row.stored, 1)}}});
        EXPECT_EQ(start().getIgnorableOption(QString::fromUtf8(row.asked), u"gedit"_qs).has_value(), row.matches);
    }
}

TEST_F(PaletteRulesManagerTest, MenuRulesAnswerPerApplicationWithAllForTheRest)
{
    settings.setValue(kMenusKey, QJsonObject{{u"all"_qs, QJsonArray{menuRule("Help", 0), menuRule("Edit", 1)}},
                                             {u"gedit.app"_qs, QJsonArray{menuRule("Help", 2), menuRule("Tools", 2)}},
                                             {u"kate"_qs, QJsonArray{menuRule("Tools", 0)}},
                                             {u"kate.app"_qs, QJsonArray{menuRule("View", 1)}}});
    PaletteRulesManager &rules = start();
    const struct { const char *name; const char *title; QString app; std::optional<int> expected; } rows[] = {
        {"key with .app found by name", "Tools", u"gedit"_qs, 2},
        {"key with .app asked with .app", "Tools", u"gedit.app"_qs, 2},
        {"the application's title wins over all", "Help", u"gedit"_qs, 2},
        {"all for a title the application lacks", "Edit", u"gedit"_qs, 1},
        {"all for another application", "Help", u"mousepad"_qs, 0},
        {"all without an application", "Help", QString(), 0},
        {"another application's title", "Tools", u"mousepad"_qs, std::nullopt},
        {"title nowhere", "View", u"gedit"_qs, std::nullopt},
        {"both spellings merged, plain", "Tools", u"kate"_qs, 0},
        {"both spellings merged, with .app", "View", u"kate"_qs, 1},
    };
    for (const auto &row : rows)
        EXPECT_EQ(rules.getIgnorableOption(QString::fromUtf8(row.title), row.app), row.expected) << row.name;
}

TEST_F(PaletteRulesManagerTest, MalformedMenuRulesAreSkipped)
{
    const QJsonArray pairs{QJsonArray{QString(), 1}, QJsonArray{u"NoOption"_qs}, QJsonArray{u"TextOption"_qs, u"1"_qs},
                           QJsonArray{5, 1}, u"Loose"_qs, QJsonArray{u"Huge"_qs, 1e300}, QJsonArray{u"…"_qs, 1},
                           menuRule("Good", 1)};
    settings.setValue(kMenusKey, QJsonObject{{u"gedit.app"_qs, pairs}, {u"mousepad.app"_qs, u"not a list"_qs}});
    PaletteRulesManager &rules = start();
    for (const char *title : {"", "NoOption", "TextOption", "Loose", "Huge", "5"})
        EXPECT_EQ(rules.getIgnorableOption(QString::fromUtf8(title), u"gedit"_qs), std::nullopt) << title;
    EXPECT_EQ(rules.getIgnorableOption(u"Good"_qs, u"gedit"_qs), 1);
    EXPECT_EQ(rules.getIgnorableOption(u"Good"_qs, u"mousepad"_qs), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, ChangedMenuRulesApplyAtOnceAndAMistypedDictionaryIsEmpty)
{
    settings.setValue(kMenusKey, QJsonArray{menuRule("Help", 0)});
    PaletteRulesManager &rules = start();
    EXPECT_EQ(rules.getIgnorableOption(u"Help"_qs, u"all"_qs), std::nullopt);

    settings.setValue(kMenusKey, QJsonObject{{u"all"_qs, QJsonArray{menuRule("Help", 2)}}});
    EXPECT_EQ(rules.getIgnorableOption(u"Help"_qs, u"gedit"_qs), 2);

    settings.setValue(kMenusKey, u"junk"_qs);
    EXPECT_EQ(rules.getIgnorableOption(u"Help"_qs, u"gedit"_qs), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, MenuTitleNormalisationFollowsTheLocalesCaseRules)
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(u"YAZDIR…"_qs, turkish), u"yazdır"_qs);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(u"İÇE AKTAR..."_qs, turkish), u"içe aktar"_qs);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(u"YAZDIR…"_qs, english), u"yazdir"_qs);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(u"Straße ÖFFNEN"_qs, english), u"straße öffnen"_qs);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(u"a....b"_qs, english), u"a.b"_qs);

    settings.setValue(kMenusKey, QJsonObject{{u"all"_qs, QJsonArray{menuRule("Yazdır…", 0)}}});
    EXPECT_EQ(start(turkish).getIgnorableOption(u"YAZDIR"_qs, QString()), 0);
}

TEST_F(PaletteRulesManagerTest, DefaultHotKeyIsCommandShiftP)
{
    PaletteRulesManager &rules = start();
    const struct { std::optional<Shortcut> current; bool isDefault; } rows[] = {
        {std::nullopt, false},
        {Shortcut(35, eventflag::kCommand | eventflag::kShift), true},
        {Shortcut(35, eventflag::kCommand), false},
        {Shortcut(40, eventflag::kCommand | eventflag::kShift), false},
    };
    for (const auto &row : rows) {
        currentShortcut = row.current;
        EXPECT_EQ(rules.useDefaultHotKey(), row.isDefault);
    }

    // Bound through a binder, its shortcut is the current one.
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder(settings, grabber);
    PaletteRulesManager bound(settings, &binder);
    EXPECT_FALSE(bound.useDefaultHotKey());
    settings.setValue(QString(settings::kPaletteShortcut), u"cmd+shift+p"_qs);
    binder.bindShortcutWithDefaultsKey(QString(settings::kPaletteShortcut), [] {});
    EXPECT_TRUE(bound.useDefaultHotKey());
    settings.setValue(QString(settings::kPaletteShortcut), u"ctrl+alt+space"_qs);
    EXPECT_FALSE(bound.useDefaultHotKey());
}

} // namespace
} // namespace tavolin
