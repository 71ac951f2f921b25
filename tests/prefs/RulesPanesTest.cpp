// App rules and menu rules panes: what they show and the exact stored form they write.
#include "PrefsTestSupport.h"
#include "prefs/AppRulesController.h"
#include "prefs/ApplicationSelect.h"
#include "prefs/MenuRulesController.h"
#include "common/SettingsKeys.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::PrefsEnvironment;

QJsonValue parse(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json));
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

class AppRulesTest : public ::testing::Test
{
protected:
    void open()
    {
        pane = std::make_unique<AppRulesController>(env.context);
        pane->show();
    }

    PrefsEnvironment env;
    std::unique_ptr<AppRulesController> pane;
};

TEST_F(AppRulesTest, ShowsStoredRulesInOrder)
{
    env.settings.put(parse(R"([["org.gnome.gedit","disabled","Text Editor"],["org.xfce.mousepad","allow","Mousepad"],
                               ["x","bogus","X"]])"),
                     settings::kAppRules);
    open();
    ASSERT_EQ(pane->table()->rowCount(), 3);
    EXPECT_EQ(pane->table()->item(0, 0)->text(), QLatin1String("Text Editor"));
    EXPECT_EQ(pane->rulePopup(0)->currentIndex(), 2);
    EXPECT_EQ(pane->rulePopup(1)->currentIndex(), 1);
    EXPECT_EQ(pane->rulePopup(2)->currentIndex(), 0) << "an unknown rule shows as auto";
    EXPECT_EQ(pane->rulePopup(3), nullptr);
}

TEST_F(AppRulesTest, AddingSeveralAppendsAutoEntriesInChosenOrder)
{
    env.settings.put(parse(R"([["org.gnome.gedit","allow","Text Editor"]])"), settings::kAppRules);
    open();
    const QList<DesktopApp> apps = test::sampleApplications();
    env.prompter.applicationsAnswer = {apps.at(1), apps.at(2), apps.at(0),
                                       DesktopApp{QString(), QStringLiteral("No id"), QStringLiteral("x"), {}}};
    int writes = 0;
    QObject::connect(env.domain.get(), &SettingsDomain::valueChanged, [&](const QString &key) {
        writes += key == settings::kAppRules ? 1 : 0;
    });
    pane->addButton()->click();
    EXPECT_TRUE(env.prompter.lastMultiple);
    EXPECT_EQ(writes, 1) << "the list is written once";
    EXPECT_EQ(env.settings.get(settings::kAppRules),
              parse(R"([["org.gnome.gedit","allow","Text Editor"],["org.xfce.mousepad","auto","Mousepad"],
                        ["org.gnome.Nautilus","auto","Files"],["org.gnome.gedit","auto","Text Editor"]])"))
        << "an application already listed is appended again; one without id is skipped";
    EXPECT_EQ(pane->table()->rowCount(), 4);
}

TEST_F(AppRulesTest, CancelledChooserWritesNothing)
{
    open();
    pane->addButton()->click();
    EXPECT_FALSE(env.domain->contains(settings::kAppRules));
}

TEST_F(AppRulesTest, ChangingARuleKeepsItsPosition)
{
    env.settings.put(parse(R"([["a","auto","A"],["b","allow","B"],["c","auto","C"]])"), settings::kAppRules);
    open();
    pane->rulePopup(1)->setCurrentIndex(2);
    Q_EMIT pane->rulePopup(1)->activated(2);
    EXPECT_EQ(env.settings.get(settings::kAppRules),
              parse(R"([["a","auto","A"],["b","disabled","B"],["c","auto","C"]])"));
    EXPECT_EQ(pane->rulePopup(1)->currentIndex(), 2);
}

TEST_F(AppRulesTest, DeleteRemovesTheSelectedRowOnly)
{
    env.settings.put(parse(R"([["a","auto","A"],["b","allow","B"]])"), settings::kAppRules);
    open();
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kAppRules).toArray().size(), 2) << "no selection: nothing happens";
    pane->table()->selectRow(0);
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kAppRules), parse(R"([["b","allow","B"]])"));
}

TEST_F(AppRulesTest, DefaultRulePullDown)
{
    open();
    EXPECT_EQ(pane->defaultRulePullDown()->currentIndex(), 0) << "unset means auto";
    pane.reset();
    env.settings.put(QStringLiteral("allow"), settings::kAppRuleDefault);
    open();
    EXPECT_EQ(pane->defaultRulePullDown()->currentIndex(), 1);
    Q_EMIT pane->defaultRulePullDown()->activated(2);
    EXPECT_EQ(env.settings.get(settings::kAppRuleDefault), QJsonValue(QStringLiteral("disabled")));
}

class MenuRulesTest : public ::testing::Test
{
protected:
    void open()
    {
        pane = std::make_unique<MenuRulesController>(env.context);
        pane->show();
    }

    // Answers the next add dialog with a title, an application key ("" keeps the selection) and an option.
    void answerAdd(const QString &title, const QString &appKey, int option)
    {
        env.prompter.dialogAnswers.push_back([=](QDialog &dialog) {
            auto &add = static_cast<AddMenuDialog &>(dialog);
            add.menuTitleInput()->setText(title);
            if (appKey == QLatin1String("all"))
                add.appSelectButton()->setCurrentIndex(0);
            else if (!appKey.isEmpty())
                add.appSelectButton()->selectKey(appKey);
            add.menuOptionButton()->setCurrentIndex(option);
            return true;
        });
    }

    QStringList topLevelTitles() const
    {
        QStringList titles;
        for (int i = 0; i < pane->outline()->topLevelItemCount(); ++i)
            titles << pane->outline()->topLevelItem(i)->text(0);
        return titles;
    }

    PrefsEnvironment env;
    std::unique_ptr<MenuRulesController> pane;
};

TEST_F(MenuRulesTest, LoadsDropsEmptyTitlesAndSortsWithAllFirst)
{
    env.settings.put(parse(R"({"zed.app":[["Edit",1]],"Mousepad.app":[["",0],["View",2]],
                               "all":[["Help",0]],"empty.app":[]})"),
                     settings::kMenuRules);
    open();
    EXPECT_EQ(pane->appList(), (QStringList{QStringLiteral("all"), QStringLiteral("Mousepad.app"),
                                            QStringLiteral("zed.app")}));
    EXPECT_EQ(topLevelTitles(),
              (QStringList{QStringLiteral("All Applications"), QStringLiteral("Mousepad"), QStringLiteral("zed")}));
    EXPECT_EQ(pane->menuRules().value(QStringLiteral("Mousepad.app")), parse(R"([["View",2]])").toArray());
    EXPECT_EQ(pane->optionPopup(QStringLiteral("Mousepad.app"), 0)->currentIndex(), 2);
}

TEST_F(MenuRulesTest, AddingForAllApplicationsStoresUnderAllListedFirst)
{
    env.settings.put(parse(R"({"mousepad.app":[["Edit",1]]})"), settings::kMenuRules);
    open();
    answerAdd(QStringLiteral("Help…"), QStringLiteral("all"), 1);
    pane->addButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules),
              parse(R"({"mousepad.app":[["Edit",1]],"all":[["Help…",1]]})"));
    EXPECT_EQ(pane->appList().first(), QLatin1String("all"));
    EXPECT_EQ(topLevelTitles().first(), QLatin1String("All Applications"));
}

TEST_F(MenuRulesTest, AddingForAnApplicationUsesItsExecutableKeyAndKeepsTheTitleUntrimmed)
{
    open();
    answerAdd(QStringLiteral(" Tools "), QStringLiteral("gedit.app"), 2);
    pane->addButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse(R"({"gedit.app":[[" Tools ",2]]})"));
    answerAdd(QStringLiteral("Search"), QString(), 0); // the dialog keeps its previous application
    pane->addButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse(R"({"gedit.app":[[" Tools ",2],["Search",0]]})"));
}

TEST_F(MenuRulesTest, OthersChoosesAnyProgram)
{
    open();
    env.prompter.executableAnswer = QStringLiteral("/opt/tools/frobnicate");
    env.prompter.dialogAnswers.push_back([](QDialog &dialog) {
        auto &add = static_cast<AddMenuDialog &>(dialog);
        add.menuTitleInput()->setText(QStringLiteral("File"));
        ApplicationSelect *apps = add.appSelectButton();
        apps->setCurrentIndex(apps->othersIndex());
        Q_EMIT apps->activated(apps->othersIndex());
        return apps->currentIndex() == 2;
    });
    pane->addButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse(R"({"frobnicate.app":[["File",0]]})"));
}

TEST_F(MenuRulesTest, CancelledOthersFallsBackToAllApplications)
{
    open();
    ApplicationSelect *apps = pane->addMenuDialog()->appSelectButton();
    apps->setCurrentIndex(apps->othersIndex());
    Q_EMIT apps->activated(apps->othersIndex());
    EXPECT_EQ(apps->currentIndex(), 0);
    EXPECT_EQ(apps->selectedKey(), QLatin1String("all"));
}

TEST_F(MenuRulesTest, BlankTitleIsRefused)
{
    open();
    answerAdd(QStringLiteral(" \n\t"), QStringLiteral("all"), 0);
    pane->addButton()->click();
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).text, QLatin1String("Menu title cannot be empty."));
    EXPECT_FALSE(env.domain->contains(settings::kMenuRules));
}

TEST_F(MenuRulesTest, DeletingTheLastRuleRemovesTheApplicationKey)
{
    env.settings.put(parse(R"({"gedit.app":[["Edit",1]],"all":[["Help",0],["About",0]]})"), settings::kMenuRules);
    open();
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules).toObject().size(), 2) << "no selection: nothing happens";

    QTreeWidgetItem *gedit = pane->outline()->topLevelItem(1);
    pane->outline()->setCurrentItem(gedit->child(0));
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse(R"({"all":[["Help",0],["About",0]]})"));
    EXPECT_EQ(pane->appList(), QStringList{QStringLiteral("all")});

    pane->outline()->setCurrentItem(pane->outline()->topLevelItem(0)->child(0));
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse(R"({"all":[["About",0]]})"));
}

TEST_F(MenuRulesTest, DeletingAnApplicationRowRemovesAllItsRules)
{
    env.settings.put(parse(R"({"gedit.app":[["Edit",1],["View",0]]})"), settings::kMenuRules);
    open();
    pane->outline()->setCurrentItem(pane->outline()->topLevelItem(0));
    pane->deleteButton()->click();
    EXPECT_EQ(env.settings.get(settings::kMenuRules), parse("{}"));
}

TEST_F(MenuRulesTest, ChangingAnOptionRewritesTheWholeDictionary)
{
    env.settings.put(parse(R"({"gedit.app":[["Edit",1],["View",0]],"all":[["",0],["Help",0]]})"),
                     settings::kMenuRules);
    open();
    Q_EMIT pane->optionPopup(QStringLiteral("gedit.app"), 1)->activated(2);
    EXPECT_EQ(env.settings.get(settings::kMenuRules),
              parse(R"({"gedit.app":[["Edit",1],["View",2]],"all":[["Help",0]]})"))
        << "the pair with an empty title is gone after the write";
}

} // namespace
} // namespace tavolin
