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

QJsonValue parse(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json));
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

class AppRulesTest : public test::PaneTest<AppRulesController>
{
protected:
    QJsonValue rules() const { return env.settings.get(settings::kAppRules); }
    void setRules(const char *json) { env.settings.put(parse(json), settings::kAppRules); }
};

TEST_F(AppRulesTest, ShowsStoredRulesInOrderAndChangingOneKeepsItsPosition)
{
    setRules(R"([["org.gnome.gedit","disabled","Text Editor"],["org.xfce.mousepad","allow","Mousepad"],
                 ["x","bogus","X"]])");
    open();
    ASSERT_EQ(pane->table()->rowCount(), 3);
    EXPECT_EQ(pane->table()->item(0, 0)->text(), QLatin1String("Text Editor"));
    EXPECT_EQ(pane->rulePopup(0)->currentIndex(), 2);
    EXPECT_EQ(pane->rulePopup(1)->currentIndex(), 1);
    EXPECT_EQ(pane->rulePopup(2)->currentIndex(), 0) << "an unknown rule shows as auto";
    EXPECT_EQ(pane->rulePopup(3), nullptr);

    pane->rulePopup(1)->setCurrentIndex(2);
    Q_EMIT pane->rulePopup(1)->activated(2);
    EXPECT_EQ(rules(), parse(R"([["org.gnome.gedit","disabled","Text Editor"],
                                 ["org.xfce.mousepad","disabled","Mousepad"],["x","bogus","X"]])"));
    EXPECT_EQ(pane->rulePopup(1)->currentIndex(), 2);

    // Shown again after another program changed the rules: the pane shows theirs.
    pane->hide();
    setRules(R"([["org.xfce.mousepad","allow","Mousepad"]])");
    pane->show();
    ASSERT_EQ(pane->table()->rowCount(), 1);
    EXPECT_EQ(pane->table()->item(0, 0)->text(), QLatin1String("Mousepad"));
}

TEST_F(AppRulesTest, AddingSeveralAppendsAutoEntriesInChosenOrderAndDeleteRemovesTheSelectedRowOnly)
{
    setRules(R"([["org.gnome.gedit","allow","Text Editor"]])");
    open();
    pane->addButton()->click();
    EXPECT_TRUE(env.prompter.lastMultiple);
    EXPECT_EQ(rules(), parse(R"([["org.gnome.gedit","allow","Text Editor"]])")) << "cancelled: nothing written";

    const QList<DesktopApp> apps = test::sampleApplications();
    env.prompter.applicationsAnswer = {apps.at(1), apps.at(2), apps.at(0), DesktopApp{{}, u"No id"_qs, u"x"_qs, {}}};
    int writes = 0;
    QObject::connect(env.domain.get(), &SettingsDomain::valueChanged, [&](const QString &key) {
        writes += key == settings::kAppRules ? 1 : 0;
    });
    pane->addButton()->click();
    EXPECT_EQ(writes, 1) << "the list is written once";
    EXPECT_EQ(rules(), parse(R"([["org.gnome.gedit","allow","Text Editor"],["org.xfce.mousepad","auto","Mousepad"],
                                 ["org.gnome.Nautilus","auto","Files"],["org.gnome.gedit","auto","Text Editor"]])"))
        << "an application already listed is appended again; one without id is skipped";
    EXPECT_EQ(pane->table()->rowCount(), 4);

    pane->table()->clearSelection();
    pane->deleteButton()->click();
    EXPECT_EQ(rules().toArray().size(), 4) << "no selection: nothing happens";
    pane->table()->selectRow(0);
    pane->deleteButton()->click();
    EXPECT_EQ(rules(), parse(R"([["org.xfce.mousepad","auto","Mousepad"],["org.gnome.Nautilus","auto","Files"],
                                 ["org.gnome.gedit","auto","Text Editor"]])"));
}

TEST_F(AppRulesTest, DefaultRulePullDown)
{
    open();
    EXPECT_EQ(pane->defaultRulePullDown()->currentIndex(), 0) << "unset means auto";
    env.settings.put(u"allow"_qs, settings::kAppRuleDefault);
    open();
    EXPECT_EQ(pane->defaultRulePullDown()->currentIndex(), 1);
    Q_EMIT pane->defaultRulePullDown()->activated(2);
    EXPECT_EQ(env.settings.get(settings::kAppRuleDefault), QJsonValue(u"disabled"_qs));
}

class MenuRulesTest : public test::PaneTest<MenuRulesController>
{
protected:
    // Answers the next add dialog with a title, an application key ("" keeps the selection) and an option,
    // and presses Add.
    void add(const QString &title, const QString &appKey, int option)
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
        pane->addButton()->click();
    }

    QStringList topLevelTitles() const
    {
        QStringList titles;
        for (int i = 0; i < pane->outline()->topLevelItemCount(); ++i)
            titles << pane->outline()->topLevelItem(i)->text(0);
        return titles;
    }

    QJsonValue rules() const { return env.settings.get(settings::kMenuRules); }
    void setRules(const char *json) { env.settings.put(parse(json), settings::kMenuRules); }
};

TEST_F(MenuRulesTest, LoadsDropsEmptyTitlesAndSortsWithAllFirst)
{
    setRules(R"({"zed.app":[["Edit",1]],"Mousepad.app":[["",0],["View",2]],"all":[["Help",0]],"empty.app":[]})");
    open();
    EXPECT_EQ(pane->appList(), (QStringList{u"all"_qs, u"Mousepad.app"_qs, u"zed.app"_qs}));
    EXPECT_EQ(topLevelTitles(), (QStringList{u"All Applications"_qs, u"Mousepad"_qs, u"zed"_qs}));
    EXPECT_EQ(pane->menuRules().value(u"Mousepad.app"_qs), parse(R"([["View",2]])").toArray());
    EXPECT_EQ(pane->optionPopup(u"Mousepad.app"_qs, 0)->currentIndex(), 2);

    pane->hide();
    setRules(R"({"zed.app":[["Edit",1]]})");
    pane->show();
    EXPECT_EQ(pane->appList(), QStringList{u"zed.app"_qs}) << "shown again after another program changed them";
}

// For all applications under "all", listed first; for one under its executable's key; the title untrimmed but
// not blank.
TEST_F(MenuRulesTest, AddingStoresUnderTheChosenApplication)
{
    setRules(R"({"mousepad.app":[["Edit",1]]})");
    open();
    add(u"Help…"_qs, u"all"_qs, 1);
    EXPECT_EQ(rules(), parse(R"({"mousepad.app":[["Edit",1]],"all":[["Help…",1]]})"));
    EXPECT_EQ(pane->appList().first(), QLatin1String("all"));
    EXPECT_EQ(topLevelTitles().first(), QLatin1String("All Applications"));

    add(u" Tools "_qs, u"gedit.app"_qs, 2);
    add(u"Search"_qs, QString(), 0); // the dialog keeps its previous application
    const QJsonValue added =
        parse(R"({"mousepad.app":[["Edit",1]],"all":[["Help…",1]],"gedit.app":[[" Tools ",2],["Search",0]]})");
    EXPECT_EQ(rules(), added);
    add(u" \n\t"_qs, u"all"_qs, 0);
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).text, QLatin1String("Menu title cannot be empty."));
    EXPECT_EQ(rules(), added);
}

TEST_F(MenuRulesTest, OthersChoosesAnyProgramAndCancelledFallsBackToAllApplications)
{
    open();
    ApplicationSelect *apps = pane->addMenuDialog()->appSelectButton();
    apps->setCurrentIndex(apps->othersIndex());
    Q_EMIT apps->activated(apps->othersIndex());
    EXPECT_EQ(apps->currentIndex(), 0);
    EXPECT_EQ(apps->selectedKey(), QLatin1String("all"));

    env.prompter.executableAnswer = u"/opt/tools/frobnicate"_qs;
    env.prompter.dialogAnswers.push_back([](QDialog &dialog) {
        auto &add = static_cast<AddMenuDialog &>(dialog);
        add.menuTitleInput()->setText(u"File"_qs);
        ApplicationSelect *apps = add.appSelectButton();
        apps->setCurrentIndex(apps->othersIndex());
        Q_EMIT apps->activated(apps->othersIndex());
        return apps->currentIndex() == 2;
    });
    pane->addButton()->click();
    EXPECT_EQ(rules(), parse(R"({"frobnicate.app":[["File",0]]})"));
}

TEST_F(MenuRulesTest, DeletingTheLastRuleOrTheApplicationRowRemovesTheApplicationKey)
{
    setRules(R"({"gedit.app":[["Edit",1]],"mousepad.app":[["Edit",1],["View",0]],
                 "all":[["Help",0],["About",0]]})");
    open();
    pane->deleteButton()->click();
    EXPECT_EQ(rules().toObject().size(), 3) << "no selection: nothing happens";

    pane->outline()->setCurrentItem(pane->outline()->topLevelItem(1)->child(0));
    pane->deleteButton()->click();
    EXPECT_EQ(rules(), parse(R"({"mousepad.app":[["Edit",1],["View",0]],"all":[["Help",0],["About",0]]})"));
    EXPECT_EQ(pane->appList(), (QStringList{u"all"_qs, u"mousepad.app"_qs}));

    pane->outline()->setCurrentItem(pane->outline()->topLevelItem(1));
    pane->deleteButton()->click();
    EXPECT_EQ(rules(), parse(R"({"all":[["Help",0],["About",0]]})"));

    pane->outline()->setCurrentItem(pane->outline()->topLevelItem(0)->child(0));
    pane->deleteButton()->click();
    EXPECT_EQ(rules(), parse(R"({"all":[["About",0]]})"));
}

TEST_F(MenuRulesTest, ChangingAnOptionRewritesTheWholeDictionary)
{
    setRules(R"({"gedit.app":[["Edit",1],["View",0]],"all":[["",0],["Help",0]]})");
    open();
    Q_EMIT pane->optionPopup(u"gedit.app"_qs, 1)->activated(2);
    EXPECT_EQ(rules(), parse(R"({"gedit.app":[["Edit",1],["View",2]],"all":[["Help",0]]})"))
        << "the pair with an empty title is gone after the write";
}

} // namespace
} // namespace tavolin
