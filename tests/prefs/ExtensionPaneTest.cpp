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

using Records = QList<PluginDataItem>;

class ExtensionPaneTest : public ::testing::Test
{
protected:
    ExtensionPaneTest() : folder(env.context.extensionFolder) {}

    void open()
    {
        auto importer = std::make_unique<ExtensionImporter>(
            folder, [] { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }, [] {});
        pane = std::make_unique<ExtensionController>(env.context, std::move(importer));
        pane->show();
    }

    // Stores `app`'s list: a record per (label, entry) pair.
    void store(const QString &app, const QList<std::pair<QString, QString>> &records)
    {
        Records items;
        for (const auto &[label, entry] : records)
            items.append(PluginDataItem(app, label, entry));
        Store db(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms);
        ASSERT_TRUE(db.put(u"p_"_qs + app, PluginDataItem::jsonFromArray(items)));
    }

    QString stored(const QString &app)
    {
        return Store(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms).get(u"p_"_qs + app);
    }
    Records saved(const QString &app) { return PluginDataItem::arrayFromJSON(stored(app)); }
    QStringList lastCommand() const { return env.settings.get(settings::kCommand).toVariant().toStringList(); }

    QString script(const QString &name)
    {
        EXPECT_TRUE(test::writeTextFile(folder + u'/' + name, "echo\n"));
        return folder + u'/' + name;
    }

    // Selects `app`'s first record and answers its edit dialog: an optional change, then Save or Cancel.
    void edit(const QString &app, std::function<void(ExtensionDetailDialog &)> change)
    {
        pane->outlineView()->setCurrentItem(pane->extensionRow(app, 0));
        EXPECT_TRUE(pane->editButton()->isEnabled());
        answerDialog(std::move(change));
        pane->editButton()->click();
    }
    void answerDialog(std::function<void(ExtensionDetailDialog &)> change, bool save = true)
    {
        env.prompter.dialogAnswers.push_back([change, save](QDialog &dialog) {
            if (change)
                change(static_cast<ExtensionDetailDialog &>(dialog));
            return save;
        });
    }

    test::PrefsEnvironment env;
    QString folder;
    std::unique_ptr<ExtensionController> pane;
};

TEST_F(ExtensionPaneTest, ListsApplicationsWithAllFirstAndSkipsEmptyLists)
{
    store(u"zed.app"_qs, {{u"Z"_qs, u"z.sh"_qs}});
    store(u"all"_qs, {{u"A"_qs, u"a.sh"_qs}});
    store(u"Mousepad.app"_qs, {{u"M"_qs, u"m.sh"_qs}});
    store(u"empty.app"_qs, {});
    open();
    EXPECT_EQ(pane->library().apps(), (QStringList{u"all"_qs, u"Mousepad.app"_qs, u"zed.app"_qs}));
    QStringList titles;
    for (int i = 0; i < pane->outlineView()->topLevelItemCount(); ++i)
        titles << pane->outlineView()->topLevelItem(i)->text(0);
    EXPECT_EQ(titles, (QStringList{u"All Applications"_qs, u"Mousepad"_qs, u"zed"_qs}));
}

TEST_F(ExtensionPaneTest, DisablingSavesTheApplicationAndTellsThePalette)
{
    store(u"gedit.app"_qs, {{u"Sort"_qs, u"sort.sh"_qs}});
    open();
    QComboBox *status = pane->statusPopup(u"gedit.app"_qs, 0);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->currentIndex(), 0);
    status->setCurrentIndex(1);
    Q_EMIT status->activated(1);
    EXPECT_EQ(saved(u"gedit.app"_qs),
              Records{PluginDataItem(u"gedit.app"_qs, u"Sort"_qs, {}, u"sort.sh"_qs, false, {}, {})});
    EXPECT_EQ(lastCommand().mid(0, 3), (QStringList{u"updateExtension"_qs, u"gedit.app"_qs, stored(u"gedit.app"_qs)}));
    EXPECT_EQ(lastCommand().size(), 4);
}

TEST_F(ExtensionPaneTest, MovingToAnotherApplicationKeepsTheFile)
{
    const QString file = script(u"sort.sh"_qs);
    store(u"gedit.app"_qs, {{u"Sort"_qs, u"sort.sh"_qs}});
    store(u"mousepad.app"_qs, {{u"Tidy"_qs, u"tidy.sh"_qs}});
    open();
    edit(u"gedit.app"_qs, [](auto &dialog) { dialog.applicationSelect()->selectKey(u"mousepad.app"_qs); });
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(env.desktop.trashed.isEmpty());
    EXPECT_TRUE(stored(u"gedit.app"_qs).isEmpty()) << "its last record went, so the key goes";
    EXPECT_EQ(saved(u"mousepad.app"_qs), (Records{PluginDataItem(u"mousepad.app"_qs, u"Tidy"_qs, u"tidy.sh"_qs),
                                                  PluginDataItem(u"mousepad.app"_qs, u"Sort"_qs, u"sort.sh"_qs)}));
    EXPECT_EQ(pane->library().apps(), QStringList{u"mousepad.app"_qs});
}

TEST_F(ExtensionPaneTest, TitlesBlankAreRefusedAndAnEnglishTitleFillsAnEmptyOne)
{
    store(u"all"_qs, {{u"Keep"_qs, u"k.sh"_qs}});
    open();
    const QString original = stored(u"all"_qs);
    edit(u"all"_qs, [](auto &dialog) {
        dialog.labelInput()->setText(u" \t "_qs);
        dialog.enLabelInput()->setText(u"\t"_qs);
    });
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).informative, QLatin1String("Must input a Menu Title or English Title"));
    EXPECT_EQ(stored(u"all"_qs), original);
    EXPECT_FALSE(env.domain->contains(settings::kCommand));

    edit(u"all"_qs, [](auto &dialog) {
        dialog.labelInput()->clear();
        dialog.enLabelInput()->setText(u"  Word Count "_qs);
    });
    const QString words = u"Word Count"_qs;
    EXPECT_EQ(saved(u"all"_qs), Records{PluginDataItem(u"all"_qs, words, words, u"k.sh"_qs, true, {}, {})});
}

TEST_F(ExtensionPaneTest, DeletingAnApplicationTrashesEveryScriptAndItsEntry)
{
    const QString a = script(u"a.sh"_qs);
    script(u"B.pext/run.sh"_qs);
    store(u"gedit.app"_qs, {{u"A"_qs, u"a.sh"_qs}, {u"B"_qs, u"B.pext/run.sh"_qs}, {u"Evil"_qs, u"../../../out"_qs}});
    open();
    env.prompter.confirmAnswer = false;
    pane->outlineView()->setCurrentItem(pane->outlineView()->topLevelItem(0));
    pane->deleteButton()->click();
    EXPECT_TRUE(QFile::exists(a)) << "cancelled";
    EXPECT_EQ(saved(u"gedit.app"_qs).size(), 3);

    env.prompter.confirmAnswer = true;
    pane->deleteButton()->click();
    EXPECT_EQ(env.prompter.confirmations, (QStringList{u"Delete Selected ?"_qs, u"Delete Selected ?"_qs}));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_FALSE(QFileInfo::exists(folder + u"/B.pext"_qs));
    EXPECT_EQ(env.desktop.trashed, (QStringList{folder + u"/a.sh"_qs, folder + u"/B.pext"_qs}))
        << "an entry that climbs out of the folder is never trashed";
    EXPECT_TRUE(stored(u"gedit.app"_qs).isEmpty());
    EXPECT_EQ(lastCommand().mid(1, 2), (QStringList{u"gedit.app"_qs, u"[]"_qs}));
}

TEST_F(ExtensionPaneTest, ImportSavedUnderAnotherApplicationIsListedOnce)
{
    open();
    const QString source = env.home.root() + u"/Mousepad - Sort Lines.sh"_qs;
    test::writeTextFile(source, "sort\n");
    answerDialog([](auto &dialog) {
        EXPECT_EQ(dialog.applicationSelect()->selectedKey(), QLatin1String("mousepad.app"))
            << "the file name's application is matched to the installed one without case";
        EXPECT_EQ(dialog.labelInput()->text(), QLatin1String("Sort Lines"));
        dialog.applicationSelect()->selectKey(u"gedit.app"_qs);
    });
    pane->onAddExtensionFrom(source);
    EXPECT_EQ(pane->library().apps(), QStringList{u"gedit.app"_qs});
    EXPECT_EQ(saved(u"gedit.app"_qs),
              Records{PluginDataItem(u"gedit.app"_qs, u"Sort Lines"_qs, u"Mousepad - Sort Lines.sh"_qs)});
    EXPECT_TRUE(stored(u"mousepad.app"_qs).isEmpty());
}

// A cancelled chooser, a cancelled import dialog and a bad bundle add nothing; only the bundle's error is told.
TEST_F(ExtensionPaneTest, ImportsThatAddNothing)
{
    open();
    pane->addButton()->click();
    EXPECT_TRUE(env.prompter.lastSuffixes.contains(u"pext"_qs) && env.prompter.lastSuffixes.contains(QString()));
    EXPECT_EQ(env.prompter.dialogsRun, 0) << "a cancelled chooser imports nothing";

    const QString bundle = env.home.root() + u"/Bad.pext"_qs;
    test::writeTextFile(bundle + u"/manifest.json"_qs, R"({"entry":""})");
    pane->onAddExtensionFrom(bundle);
    ASSERT_EQ(env.prompter.messages.size(), 1u);
    EXPECT_EQ(env.prompter.messages.at(0).text, QLatin1String("Error"));
    EXPECT_EQ(env.prompter.messages.at(0).informative, QLatin1String("No entry found in the manifest.json file."));
    EXPECT_EQ(env.prompter.messages.at(0).style, Prompter::Style::Critical);
    EXPECT_FALSE(QFileInfo::exists(folder + u"/Bad.pext"_qs));
    EXPECT_EQ(env.prompter.dialogsRun, 0);

    const QString source = env.home.root() + u"/cleanup.sh"_qs;
    test::writeTextFile(source, "x\n");
    answerDialog({}, false);
    pane->onAddExtensionFrom(source);
    EXPECT_TRUE(QFile::exists(folder + u"/cleanup.sh"_qs)) << "a cancelled import keeps its copy";
    EXPECT_TRUE(pane->library().apps().isEmpty());
    EXPECT_FALSE(env.domain->contains(settings::kCommand));
    EXPECT_EQ(env.prompter.messages.size(), 1u);
}

} // namespace
} // namespace tavolin
