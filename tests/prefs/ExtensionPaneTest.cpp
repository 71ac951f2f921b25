// The extensions pane: listing, enabling, editing (moving keeps the file), deleting to the Trash, imports.
#include "PrefsTestSupport.h"
#include "prefs/ApplicationSelect.h"
#include "prefs/ExtensionController.h"
#include "prefs/ShortcutRecorder.h"
#include "common/SettingsKeys.h"
#include "common/Store.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

class ExtensionPaneTest : public ::testing::Test
{
protected:
    ExtensionPaneTest() : folder(env.context.extensionFolder) {}

    void open()
    {
        pane = std::make_unique<ExtensionController>(
            env.context, std::make_unique<ExtensionImporter>(folder, [] { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); },
                                                             [] {}));
        pane->show();
    }

    void storeList(const QString &key, const QList<PluginDataItem> &items)
    {
        Store store(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms);
        ASSERT_TRUE(store.put(QStringLiteral("p_") + key, PluginDataItem::jsonFromArray(items)));
    }

    QString stored(const QString &key)
    {
        Store store(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms);
        return store.get(QStringLiteral("p_") + key);
    }

    QJsonArray lastCommand() const { return env.settings.get(settings::kCommand).toArray(); }

    QString script(const QString &name)
    {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(test::writeTextFile(path, "echo\n"));
        return path;
    }

    // Answers the next edit dialog: an optional change, then Save (true) or Cancel (false).
    void answerDialog(std::function<void(ExtensionDetailDialog &)> change, bool save = true)
    {
        env.prompter.dialogAnswers.push_back([change, save](QDialog &dialog) {
            if (change)
                change(static_cast<ExtensionDetailDialog &>(dialog));
            return save;
        });
    }

    QStringList topLevelTitles() const
    {
        QStringList titles;
        for (int i = 0; i < pane->outlineView()->topLevelItemCount(); ++i)
            titles << pane->outlineView()->topLevelItem(i)->text(0);
        return titles;
    }

    test::PrefsEnvironment env;
    QString folder;
    std::unique_ptr<ExtensionController> pane;
};

TEST_F(ExtensionPaneTest, ListsApplicationsWithAllFirstAndSkipsEmptyLists)
{
    storeList(QStringLiteral("zed.app"), {PluginDataItem(QStringLiteral("zed.app"), QStringLiteral("Z"), QStringLiteral("z.sh"))});
    storeList(QStringLiteral("all"), {PluginDataItem(QStringLiteral("all"), QStringLiteral("A"), QStringLiteral("a.sh"))});
    storeList(QStringLiteral("Mousepad.app"),
              {PluginDataItem(QStringLiteral("Mousepad.app"), QStringLiteral("M"), QStringLiteral("m.sh"))});
    storeList(QStringLiteral("empty.app"), {});
    open();
    EXPECT_EQ(pane->library().apps(),
              (QStringList{QStringLiteral("all"), QStringLiteral("Mousepad.app"), QStringLiteral("zed.app")}));
    EXPECT_EQ(topLevelTitles(),
              (QStringList{QStringLiteral("All Applications"), QStringLiteral("Mousepad"), QStringLiteral("zed")}));
}

TEST_F(ExtensionPaneTest, DisablingSavesTheApplicationAndTellsThePalette)
{
    storeList(QStringLiteral("gedit.app"),
              {PluginDataItem(QStringLiteral("gedit.app"), QStringLiteral("Sort"), QStringLiteral("sort.sh"))});
    open();
    QComboBox *status = pane->statusPopup(QStringLiteral("gedit.app"), 0);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->currentIndex(), 0);
    status->setCurrentIndex(1);
    Q_EMIT status->activated(1);
    const QList<PluginDataItem> saved = PluginDataItem::arrayFromJSON(stored(QStringLiteral("gedit.app")));
    ASSERT_EQ(saved.size(), 1);
    EXPECT_FALSE(saved.first().enabled);
    const QJsonArray command = lastCommand();
    ASSERT_EQ(command.size(), 4);
    EXPECT_EQ(command.at(0).toString(), QLatin1String("updateExtension"));
    EXPECT_EQ(command.at(1).toString(), QLatin1String("gedit.app"));
    EXPECT_EQ(command.at(2).toString(), stored(QStringLiteral("gedit.app")));
}

TEST_F(ExtensionPaneTest, MovingToAnotherApplicationKeepsTheFile)
{
    const QString file = script(QStringLiteral("sort.sh"));
    storeList(QStringLiteral("gedit.app"),
              {PluginDataItem(QStringLiteral("gedit.app"), QStringLiteral("Sort"), QStringLiteral("sort.sh"))});
    storeList(QStringLiteral("mousepad.app"),
              {PluginDataItem(QStringLiteral("mousepad.app"), QStringLiteral("Tidy"), QStringLiteral("tidy.sh"))});
    open();
    pane->outlineView()->setCurrentItem(pane->extensionRow(QStringLiteral("gedit.app"), 0));
    EXPECT_TRUE(pane->editButton()->isEnabled());
    answerDialog([](ExtensionDetailDialog &dialog) { dialog.applicationSelect()->selectKey(QStringLiteral("mousepad.app")); });
    pane->editButton()->click();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(env.desktop.trashed.isEmpty());
    EXPECT_TRUE(stored(QStringLiteral("gedit.app")).isEmpty()) << "its last record went, so the key goes";
    const QList<PluginDataItem> moved = PluginDataItem::arrayFromJSON(stored(QStringLiteral("mousepad.app")));
    ASSERT_EQ(moved.size(), 2);
    EXPECT_EQ(moved.at(1).label, QLatin1String("Sort"));
    EXPECT_EQ(moved.at(1).app, QLatin1String("mousepad.app"));
    EXPECT_EQ(moved.at(1).entry, QLatin1String("sort.sh"));
    EXPECT_EQ(pane->library().apps(), QStringList{QStringLiteral("mousepad.app")});
}

TEST_F(ExtensionPaneTest, BothTitlesBlankIsRefusedAndChangesNothing)
{
    storeList(QStringLiteral("all"), {PluginDataItem(QStringLiteral("all"), QStringLiteral("Keep"), QStringLiteral("k.sh"))});
    open();
    const QString original = stored(QStringLiteral("all"));
    pane->outlineView()->setCurrentItem(pane->extensionRow(QStringLiteral("all"), 0));
    answerDialog([](ExtensionDetailDialog &dialog) {
        dialog.labelInput()->setText(QStringLiteral(" \t "));
        dialog.enLabelInput()->setText(QStringLiteral("\t"));
    });
    pane->editButton()->click();
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).informative, QLatin1String("Must input a Menu Title or English Title"));
    EXPECT_EQ(stored(QStringLiteral("all")), original);
    EXPECT_FALSE(env.domain->contains(settings::kCommand));
}

TEST_F(ExtensionPaneTest, EnglishTitleFillsAnEmptyTitle)
{
    storeList(QStringLiteral("all"), {PluginDataItem(QStringLiteral("all"), QStringLiteral("Alt"), QStringLiteral("k.sh"))});
    open();
    pane->outlineView()->setCurrentItem(pane->extensionRow(QStringLiteral("all"), 0));
    answerDialog([](ExtensionDetailDialog &dialog) {
        dialog.labelInput()->clear();
        dialog.enLabelInput()->setText(QStringLiteral("  Word Count "));
    });
    pane->editButton()->click();
    const QList<PluginDataItem> saved = PluginDataItem::arrayFromJSON(stored(QStringLiteral("all")));
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved.first().label, QLatin1String("Word Count"));
    EXPECT_EQ(saved.first().enLabel, QLatin1String("Word Count"));
}

TEST_F(ExtensionPaneTest, DeletingAnApplicationTrashesEveryScriptAndItsEntry)
{
    const QString a = script(QStringLiteral("a.sh"));
    const QString bundleFile = script(QStringLiteral("B.pext/run.sh"));
    storeList(QStringLiteral("gedit.app"),
              {PluginDataItem(QStringLiteral("gedit.app"), QStringLiteral("A"), QStringLiteral("a.sh")),
               PluginDataItem(QStringLiteral("gedit.app"), QStringLiteral("B"), QStringLiteral("B.pext/run.sh")),
               PluginDataItem(QStringLiteral("gedit.app"), QStringLiteral("Evil"), QStringLiteral("../../../outside"))});
    open();
    pane->outlineView()->setCurrentItem(pane->outlineView()->topLevelItem(0));
    pane->deleteButton()->click();
    EXPECT_EQ(env.prompter.confirmations, QStringList{QStringLiteral("Delete Selected ?")});
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/B.pext")));
    EXPECT_EQ(env.desktop.trashed, (QStringList{folder + QStringLiteral("/a.sh"), folder + QStringLiteral("/B.pext")}))
        << "an entry that climbs out of the folder is never trashed";
    EXPECT_TRUE(stored(QStringLiteral("gedit.app")).isEmpty());
    const QJsonArray command = lastCommand();
    EXPECT_EQ(command.at(1).toString(), QLatin1String("gedit.app"));
    EXPECT_EQ(command.at(2).toString(), QLatin1String("[]"));
}

TEST_F(ExtensionPaneTest, DeleteCancelledKeepsEverything)
{
    const QString a = script(QStringLiteral("a.sh"));
    storeList(QStringLiteral("all"), {PluginDataItem(QStringLiteral("all"), QStringLiteral("A"), QStringLiteral("a.sh"))});
    open();
    env.prompter.confirmAnswer = false;
    pane->outlineView()->setCurrentItem(pane->extensionRow(QStringLiteral("all"), 0));
    pane->deleteButton()->click();
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_FALSE(stored(QStringLiteral("all")).isEmpty());
}

TEST_F(ExtensionPaneTest, ImportSavedUnderAnotherApplicationIsListedOnce)
{
    open();
    const QString source = env.home.root() + QStringLiteral("/Mousepad - Sort Lines.sh");
    test::writeTextFile(source, "sort\n");
    answerDialog([](ExtensionDetailDialog &dialog) {
        EXPECT_EQ(dialog.applicationSelect()->selectedKey(), QLatin1String("mousepad.app"))
            << "the file name's application is matched to the installed one without case";
        EXPECT_EQ(dialog.labelInput()->text(), QLatin1String("Sort Lines"));
        dialog.applicationSelect()->selectKey(QStringLiteral("gedit.app"));
    });
    pane->onAddExtensionFrom(source);
    EXPECT_EQ(pane->library().apps(), QStringList{QStringLiteral("gedit.app")});
    const QList<PluginDataItem> saved = PluginDataItem::arrayFromJSON(stored(QStringLiteral("gedit.app")));
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved.first().entry, QLatin1String("Mousepad - Sort Lines.sh"));
    EXPECT_TRUE(stored(QStringLiteral("mousepad.app")).isEmpty());
}

TEST_F(ExtensionPaneTest, CancelledImportKeepsTheCopyAndAddsNothing)
{
    open();
    const QString source = env.home.root() + QStringLiteral("/cleanup.sh");
    test::writeTextFile(source, "x\n");
    answerDialog({}, false);
    pane->onAddExtensionFrom(source);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/cleanup.sh")));
    EXPECT_TRUE(pane->library().apps().isEmpty());
    EXPECT_FALSE(env.domain->contains(settings::kCommand));
}

TEST_F(ExtensionPaneTest, BadBundleShowsTheErrorAndLeavesNoCopy)
{
    open();
    const QString bundle = env.home.root() + QStringLiteral("/Bad.pext");
    test::writeTextFile(bundle + QStringLiteral("/manifest.json"), R"({"entry":""})");
    pane->onAddExtensionFrom(bundle);
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).text, QLatin1String("Error"));
    EXPECT_EQ(env.prompter.messages.at(0).informative, QLatin1String("No entry found in the manifest.json file."));
    EXPECT_EQ(env.prompter.messages.at(0).style, Prompter::Style::Critical);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Bad.pext")));
    EXPECT_EQ(env.prompter.dialogsRun, 0);
}

TEST_F(ExtensionPaneTest, AddButtonOffersTheExtensionTypes)
{
    open();
    pane->addButton()->click();
    EXPECT_TRUE(env.prompter.lastSuffixes.contains(QStringLiteral("pext")));
    EXPECT_TRUE(env.prompter.lastSuffixes.contains(QString()));
    EXPECT_EQ(env.prompter.dialogsRun, 0) << "a cancelled chooser imports nothing";
}

} // namespace
} // namespace tavolin
