#include "common/PaletteRulesManager.h"

#include "common/DefaultRules.h"
#include "common/HotkeyBinder.h"
#include "common/KeyData.h"
#include "common/Log.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/IsolatedHome.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <mutex>
#include <vector>

namespace tavolin {
namespace {

const QString kRulesKey = QString(settings::kAppRules);
const QString kDefaultKey = QString(settings::kAppRuleDefault);
const QString kMenusKey = QString(settings::kMenuRules);
const QString kEditor = QStringLiteral("org.example.Editor");

// Values, not arrays: a braced list whose one element is a QJsonArray copies it under clang instead of
// nesting it, so every list below is built from values.
QJsonValue rule(const char *identifier, const char *ruleText)
{
    return QJsonArray{QString::fromUtf8(identifier), QString::fromUtf8(ruleText), QString::fromUtf8(identifier)};
}

QJsonValue menuRule(const char *title, int option)
{
    return QJsonArray{QString::fromUtf8(title), option};
}

class PaletteRulesManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log::setSink([this](log::Level level, const QString &line) {
            std::lock_guard lock(m_logMutex);
            if (level == log::Level::Info)
                m_infoLines.push_back(line);
            else if (level == log::Level::Error)
                m_errorLines.push_back(line);
        });
    }
    void TearDown() override
    {
        manager.reset();
        log::setSink({});
    }

    PaletteRulesManager &start(const QLocale &locale = QLocale(QLocale::English, QLocale::UnitedStates))
    {
        manager = std::make_unique<PaletteRulesManager>(settings, [this] { return currentShortcut; }, locale);
        return *manager;
    }

    std::vector<QString> takeInfoLines()
    {
        std::lock_guard lock(m_logMutex);
        return std::exchange(m_infoLines, {});
    }
    std::vector<QString> takeErrorLines()
    {
        std::lock_guard lock(m_logMutex);
        return std::exchange(m_errorLines, {});
    }

    test::IsolatedHome home;
    SettingsDomain settings{QStringLiteral("io.quorvane.Tavolin.RulesTest")};
    std::optional<Shortcut> currentShortcut;
    std::unique_ptr<PaletteRulesManager> manager;

private:
    std::mutex m_logMutex;
    std::vector<QString> m_infoLines;  // guarded by m_logMutex
    std::vector<QString> m_errorLines; // guarded by m_logMutex
};

TEST(AppRule, StoredStringsReadBackOnlyInTheirExactSpelling)
{
    for (AppRule rule : kAllAppRules)
        EXPECT_EQ(appRuleFromString(appRuleString(rule)), rule);
    EXPECT_EQ(appRuleFromString(QStringLiteral("Allow")), std::nullopt);
    EXPECT_EQ(appRuleFromString(QString()), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, WithoutSettingsTheBuiltInRulesAreWrittenAndApply)
{
    PaletteRulesManager &rules = start();

    EXPECT_EQ(settings.value(kRulesKey).toArray(), DefaultRules::appRulesJson());
    // Editors with their own palette on the same key keep it, as their Linux packages name them.
    for (const char *desktopId : {"code", "com.visualstudio.code", "codium", "sublime_text"})
        EXPECT_EQ(rules.ruleForApp(QString::fromLatin1(desktopId)), AppRule::Disabled) << desktopId;
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Auto);
    EXPECT_EQ(rules.ruleForApp(QString()), AppRule::Disabled); // no application
    const std::vector<QString> errors = takeErrorLines();
    EXPECT_TRUE(errors.empty()) << "a first start is not an error: " << errors.front().toStdString();
}

struct MistypedListCase
{
    const char *name;
    QJsonValue stored;
};

void PrintTo(const MistypedListCase &row, std::ostream *out) { *out << row.name; }

class MistypedAppRulesTest : public PaletteRulesManagerTest, public ::testing::WithParamInterface<MistypedListCase>
{
};

TEST_P(MistypedAppRulesTest, IsReplacedByTheBuiltInRules)
{
    settings.setValue(kRulesKey, GetParam().stored);

    PaletteRulesManager &rules = start();

    EXPECT_EQ(settings.value(kRulesKey).toArray(), DefaultRules::appRulesJson());
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("code")), AppRule::Disabled);
    const std::vector<QString> errors = takeErrorLines();
    ASSERT_EQ(errors.size(), 1u) << "a list that lost its shape is kept in the log";
    EXPECT_TRUE(errors[0].startsWith(kRulesKey + QStringLiteral(" is not a list of rules ("))) << errors[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Values, MistypedAppRulesTest,
                         ::testing::Values(MistypedListCase{"Text", QStringLiteral("allow")},
                                           MistypedListCase{"Number", 3},
                                           MistypedListCase{"Object", QJsonObject{{kEditor, QStringLiteral("allow")}}},
                                           MistypedListCase{"Null", QJsonValue(QJsonValue::Null)}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(PaletteRulesManagerTest, MalformedEntriesAreSkippedAndTheRestKept)
{
    const QJsonArray stored{rule("org.example.A", "allow"),
                            QJsonArray{QStringLiteral("org.example.Short")},
                            QJsonArray{7, QStringLiteral("allow")},
                            QJsonArray{QStringLiteral("org.example.C"), true},
                            QStringLiteral("org.example.Text"),
                            QJsonArray{QStringLiteral("org.example.B"), QStringLiteral("disabled")}};
    settings.setValue(kRulesKey, stored);
    settings.setValue(kDefaultKey, QStringLiteral("allow"));

    PaletteRulesManager &rules = start();

    EXPECT_EQ(settings.value(kRulesKey).toArray(), stored); // the user's list is never overwritten
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.A")), AppRule::Allow);
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.B")), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.C")), AppRule::Allow); // default
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("code")), AppRule::Allow);
}

TEST_F(PaletteRulesManagerTest, TheLaterEntryForAnIdentifierWins)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.A", "allow"), rule("org.example.A", "disabled")});
    EXPECT_EQ(start().ruleForApp(QStringLiteral("org.example.A")), AppRule::Disabled);
}

// Rules stored before applications were named by desktop id carry the executable name.
TEST_F(PaletteRulesManagerTest, ARuleStoredUnderTheExecutableNameAnswersUntilOneNamesTheDesktopId)
{
    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("geany", "auto")});
    settings.setValue(kDefaultKey, QStringLiteral("allow"));
    PaletteRulesManager &rules = start();
    const QString mousepad = QStringLiteral("org.xfce.mousepad");
    const QString geany = QStringLiteral("org.geany.geany");

    EXPECT_EQ(rules.ruleForApp(mousepad, QStringLiteral("mousepad")), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(mousepad), AppRule::Allow); // no executable name: the default
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.Other"), QStringLiteral("other")), AppRule::Allow);

    // A decision for the "auto" one is dropped when its stored rule changes.
    EXPECT_TRUE(rules.updateRuleForApp(geany, false, QStringLiteral("geany")));
    EXPECT_EQ(rules.ruleForApp(geany, QStringLiteral("geany")), AppRule::Disabled);
    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("geany", "allow")});
    EXPECT_EQ(rules.ruleForApp(geany, QStringLiteral("geany")), AppRule::Allow);

    settings.setValue(kRulesKey, QJsonArray{rule("mousepad", "disabled"), rule("org.xfce.mousepad", "allow")});
    EXPECT_EQ(rules.ruleForApp(mousepad, QStringLiteral("mousepad")), AppRule::Allow);
}

TEST_F(PaletteRulesManagerTest, AnUnknownRuleStringFollowsTheDefault)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.A", "sometimes")});
    settings.setValue(kDefaultKey, QStringLiteral("disabled"));
    EXPECT_EQ(start().ruleForApp(QStringLiteral("org.example.A")), AppRule::Disabled);
}

struct DefaultRuleCase
{
    const char *name;
    QJsonValue stored;
    AppRule expected;
};

void PrintTo(const DefaultRuleCase &row, std::ostream *out) { *out << row.name; }

class DefaultRuleTest : public PaletteRulesManagerTest, public ::testing::WithParamInterface<DefaultRuleCase>
{
};

TEST_P(DefaultRuleTest, AppliesToApplicationsWithoutAnEntry)
{
    settings.setValue(kDefaultKey, GetParam().stored);
    PaletteRulesManager &rules = start();
    EXPECT_EQ(rules.defaultRule(), GetParam().expected);
    EXPECT_EQ(rules.ruleForApp(kEditor), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DefaultRuleTest,
    ::testing::Values(DefaultRuleCase{"Unset", QJsonValue(QJsonValue::Undefined), AppRule::Auto},
                      DefaultRuleCase{"Allow", QStringLiteral("allow"), AppRule::Allow},
                      DefaultRuleCase{"Disabled", QStringLiteral("disabled"), AppRule::Disabled},
                      DefaultRuleCase{"Auto", QStringLiteral("auto"), AppRule::Auto},
                      DefaultRuleCase{"UnknownText", QStringLiteral("never"), AppRule::Auto},
                      DefaultRuleCase{"WrongCase", QStringLiteral("DISABLED"), AppRule::Auto},
                      DefaultRuleCase{"Number", 1, AppRule::Auto}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PaletteRulesManagerTest, ARecordedDecisionAnswersSilently)
{
    PaletteRulesManager &rules = start();
    takeInfoLines();

    EXPECT_TRUE(rules.updateRuleForApp(kEditor, true));
    EXPECT_EQ(takeInfoLines(), std::vector<QString>{QStringLiteral("shouldTrigger of org.example.Editor become 1")});

    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Allow);
    EXPECT_TRUE(takeInfoLines().empty());

    EXPECT_TRUE(rules.updateRuleForApp(kEditor, false));
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);
}

TEST_F(PaletteRulesManagerTest, OnlyAutoApplicationsRecordADecision)
{
    settings.setValue(kRulesKey, QJsonArray{QJsonArray{QStringLiteral("org.example.Off"), QStringLiteral("disabled")},
                                            QJsonArray{QStringLiteral("org.example.On"), QStringLiteral("allow")}});
    PaletteRulesManager &rules = start();

    EXPECT_FALSE(rules.updateRuleForApp(QStringLiteral("org.example.Off"), true));
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.Off")), AppRule::Disabled);
    EXPECT_FALSE(rules.updateRuleForApp(QStringLiteral("org.example.On"), false));
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.On")), AppRule::Allow);

    takeInfoLines();
    EXPECT_FALSE(rules.updateRuleForApp(QString(), true));
    EXPECT_TRUE(takeInfoLines().empty());
}

TEST_F(PaletteRulesManagerTest, ChangingAnApplicationsRuleDropsItsDecision)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto")});
    PaletteRulesManager &rules = start();
    rules.updateRuleForApp(kEditor, false);
    ASSERT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "allow")});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Allow);

    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto")});
    EXPECT_TRUE(rules.updateRuleForApp(kEditor, true));
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "disabled")});
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);
}

TEST_F(PaletteRulesManagerTest, AChangedListDropsTheDecisionsOfTheApplicationsItNames)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto"), rule("org.example.B", "allow")});
    PaletteRulesManager &rules = start();
    const QString unlisted = QStringLiteral("org.example.Unlisted");
    rules.updateRuleForApp(kEditor, true);
    rules.updateRuleForApp(unlisted, true);

    settings.setValue(kRulesKey, QJsonArray{rule("org.example.Editor", "auto"), rule("org.example.B", "disabled")});

    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Auto);    // listed: decided again
    EXPECT_EQ(rules.ruleForApp(unlisted), AppRule::Allow);  // not named anywhere: kept
}

TEST_F(PaletteRulesManagerTest, AMistypedChangeOfTheListIsIgnored)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.A", "allow")});
    PaletteRulesManager &rules = start();
    rules.updateRuleForApp(kEditor, false);

    settings.setValue(kRulesKey, QStringLiteral("garbage"));
    settings.remove(kRulesKey);

    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.A")), AppRule::Allow);
    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);
}

// Decisions come from finding the palette's key in an application's menus: a new key asks again. Either
// stored form of the key may change first (the preferences program writes both; another writer one).
TEST_F(PaletteRulesManagerTest, AChangedPaletteShortcutDropsEveryDecision)
{
    const struct
    {
        QString key;
        QString value;
    } changes[] = {{QString(settings::kPaletteShortcut), QStringLiteral("cmd+shift+n")},
                   {QString(settings::kPaletteShortcutString), QStringLiteral("⇧⌘N")}};
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.On", "allow")});
    for (const auto &change : changes) {
        SCOPED_TRACE(change.key.toStdString());
        settings.remove(change.key);
        PaletteRulesManager &rules = start();
        rules.updateRuleForApp(kEditor, false);
        rules.updateRuleForApp(QStringLiteral("org.example.Other"), true);
        ASSERT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);

        settings.setValue(change.key, change.value);

        EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Auto);
        EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.Other")), AppRule::Auto);
        EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.On")), AppRule::Allow); // a rule, not a decision
    }
}

TEST_F(PaletteRulesManagerTest, ADisabledDefaultDropsEveryDecision)
{
    settings.setValue(kRulesKey, QJsonArray{rule("org.example.On", "allow")});
    PaletteRulesManager &rules = start();
    rules.updateRuleForApp(kEditor, true);
    rules.updateRuleForApp(QStringLiteral("org.example.Other"), true);

    settings.setValue(kDefaultKey, QStringLiteral("disabled"));

    EXPECT_EQ(rules.ruleForApp(kEditor), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.Other")), AppRule::Disabled);
    EXPECT_EQ(rules.ruleForApp(QStringLiteral("org.example.On")), AppRule::Allow);
    EXPECT_FALSE(rules.updateRuleForApp(kEditor, true));
}

struct TitleCase
{
    const char *name;
    const char *stored;
    const char *asked;
    bool matches;
};

void PrintTo(const TitleCase &row, std::ostream *out) { *out << row.name; }

class MenuTitleTest : public PaletteRulesManagerTest, public ::testing::WithParamInterface<TitleCase>
{
};

TEST_P(MenuTitleTest, MatchesAfterNormalisation)
{
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("gedit.app"), QJsonArray{menuRule(GetParam().stored, 1)}}});
    const std::optional<int> option = start().getIgnorableOption(QString::fromUtf8(GetParam().asked), QStringLiteral("gedit"));
    EXPECT_EQ(option.has_value(), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MenuTitleTest,
    ::testing::Values(TitleCase{"EllipsisAskedWithThreeDots", "Export…", "Export...", true},
                      TitleCase{"EllipsisAskedWithoutDots", "Export…", "Export", true},
                      TitleCase{"EllipsisAskedInCapitals", "Export…", "EXPORT…", true},
                      TitleCase{"ThreeDotsAskedWithEllipsis", "Save As...", "save as…", true},
                      TitleCase{"NoDotsAskedWithEllipsis", "Print", "Print…", true},
                      TitleCase{"DotsInsideTheTitle", "Go...To", "goto", true},
                      TitleCase{"LongerTitle", "Export…", "Exports", false},
                      TitleCase{"OtherTitle", "Export…", "Import…", false},
                      TitleCase{"AbsentTitle", "Export…", "", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PaletteRulesManagerTest, AnAppKeyWithItsExtensionIsFoundByName)
{
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("gedit.app"), QJsonArray{menuRule("Tools", 2)}}});
    PaletteRulesManager &rules = start();
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Tools"), QStringLiteral("gedit")), 2);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Tools"), QStringLiteral("gedit.app")), 2);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Tools"), QStringLiteral("mousepad")), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, AllAppliesUnlessTheApplicationHasTheTitle)
{
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("all"), QJsonArray{menuRule("Help", 0), menuRule("Edit", 1)}},
                                              {QStringLiteral("gedit.app"), QJsonArray{menuRule("Help", 2)}}});
    PaletteRulesManager &rules = start();
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Help"), QStringLiteral("gedit")), 2);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Edit"), QStringLiteral("gedit")), 1);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Help"), QStringLiteral("mousepad")), 0);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Help"), QString()), 0);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("View"), QStringLiteral("gedit")), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, BothSpellingsOfAnAppKeyAreMerged)
{
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("gedit"), QJsonArray{menuRule("Tools", 0)}},
                                              {QStringLiteral("gedit.app"), QJsonArray{menuRule("View", 1)}}});
    PaletteRulesManager &rules = start();
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Tools"), QStringLiteral("gedit")), 0);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("View"), QStringLiteral("gedit")), 1);
}

TEST_F(PaletteRulesManagerTest, MalformedMenuRulesAreSkipped)
{
    const QJsonArray pairs{QJsonArray{QString(), 1},
                           QJsonArray{QStringLiteral("NoOption")},
                           QJsonArray{QStringLiteral("TextOption"), QStringLiteral("1")},
                           QJsonArray{5, 1},
                           QStringLiteral("Loose"),
                           QJsonArray{QStringLiteral("Huge"), 1e300},
                           QJsonArray{QStringLiteral("…"), 1},
                           menuRule("Good", 1)};
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("gedit.app"), pairs},
                                              {QStringLiteral("mousepad.app"), QStringLiteral("not a list")}});
    PaletteRulesManager &rules = start();
    for (const char *title : {"", "NoOption", "TextOption", "Loose", "Huge", "5"})
        EXPECT_EQ(rules.getIgnorableOption(QString::fromUtf8(title), QStringLiteral("gedit")), std::nullopt) << title;
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Good"), QStringLiteral("gedit")), 1);
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Good"), QStringLiteral("mousepad")), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, AMistypedMenuRuleDictionaryIsEmpty)
{
    settings.setValue(kMenusKey, QJsonArray{menuRule("Help", 0)});
    EXPECT_EQ(start().getIgnorableOption(QStringLiteral("Help"), QStringLiteral("all")), std::nullopt);
}

TEST_F(PaletteRulesManagerTest, ChangedMenuRulesApplyAtOnce)
{
    PaletteRulesManager &rules = start();
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("all"), QJsonArray{menuRule("Help", 2)}}});
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Help"), QStringLiteral("gedit")), 2);

    settings.setValue(kMenusKey, QStringLiteral("junk"));
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("Help"), QStringLiteral("gedit")), std::nullopt);
}

TEST(MenuTitleNormalisation, FollowsTheLocalesCaseRules)
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(QStringLiteral("YAZDIR…"), turkish), QStringLiteral("yazdır"));
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(QStringLiteral("İÇE AKTAR..."), turkish), QStringLiteral("içe aktar"));
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(QStringLiteral("YAZDIR…"), english), QStringLiteral("yazdir"));
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(QStringLiteral("Straße ÖFFNEN"), english), QStringLiteral("straße öffnen"));
    EXPECT_EQ(PaletteRulesManager::normalizeMenuTitle(QStringLiteral("a....b"), english), QStringLiteral("a.b"));
}

TEST_F(PaletteRulesManagerTest, TurkishTitlesMatchUnderATurkishLocale)
{
    settings.setValue(kMenusKey, QJsonObject{{QStringLiteral("all"), QJsonArray{menuRule("Yazdır…", 0)}}});
    PaletteRulesManager &rules = start(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(rules.getIgnorableOption(QStringLiteral("YAZDIR"), QString()), 0);
}

TEST_F(PaletteRulesManagerTest, DefaultHotKeyIsCommandShiftP)
{
    PaletteRulesManager &rules = start();
    EXPECT_FALSE(rules.useDefaultHotKey());
    currentShortcut = Shortcut(35, eventflag::kCommand | eventflag::kShift);
    EXPECT_TRUE(rules.useDefaultHotKey());
    currentShortcut = Shortcut(35, eventflag::kCommand);
    EXPECT_FALSE(rules.useDefaultHotKey());
    currentShortcut = Shortcut(40, eventflag::kCommand | eventflag::kShift);
    EXPECT_FALSE(rules.useDefaultHotKey());
}

TEST_F(PaletteRulesManagerTest, TheBindersPaletteShortcutIsTheCurrentOne)
{
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder(settings, grabber);
    PaletteRulesManager rules(settings, &binder);
    EXPECT_FALSE(rules.useDefaultHotKey());

    settings.setValue(QString(settings::kPaletteShortcut), QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(QString(settings::kPaletteShortcut), [] {});
    EXPECT_TRUE(rules.useDefaultHotKey());

    settings.setValue(QString(settings::kPaletteShortcut), QStringLiteral("ctrl+alt+space"));
    EXPECT_FALSE(rules.useDefaultHotKey());
}

} // namespace
} // namespace tavolin
