// Importing extensions: plain file names, time-stamped duplicates, bundle manifests and their errors.
#include "PrefsTestSupport.h"
#include "prefs/ExtensionImporter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(PlainNameTest, ReadsApplicationAndTitle)
{
    const struct { const char *baseName; const char *app; const char *title; } cases[] = {
        {"Safari - Open Tabs", "Safari.app", "Open Tabs"},
        {"cleanup", "all", "cleanup"}, // no dash: every application
        {"mousepad  -\tSort Lines", "Mousepad.app", "Sort Lines"},
        {"visual STUDIO code-Run", "Visual Studio Code.app", "Run"}, // every word capitalised
        {"Geany.app - Build", "Geany.app", "Build"},
        {"Files - Copy - Path", "Files.app", "Copy - Path"}, // only the first dash splits
        {"Files-", "Files.app", ""},
    };
    for (const auto &c : cases) {
        const auto parsed = ExtensionImporter::parsePlainName(QString::fromUtf8(c.baseName));
        EXPECT_EQ(parsed.app, QString::fromUtf8(c.app)) << c.baseName;
        EXPECT_EQ(parsed.title, QString::fromUtf8(c.title)) << c.baseName;
    }
}

class ExtensionImporterTest : public ::testing::Test
{
protected:
    QString source(const QString &name)
    {
        EXPECT_TRUE(test::writeTextFile(home.root() + u"/src/"_qs + name, "echo hi\n"));
        return home.root() + u"/src/"_qs + name;
    }

    // A bundle folder with its manifest (none when null) and files.
    QString bundle(const QString &name, const QByteArray &manifest, const QStringList &files)
    {
        const QString dir = home.root() + u"/src/"_qs + name;
        if (!manifest.isNull()) {
            EXPECT_TRUE(test::writeTextFile(dir + u"/manifest.json"_qs, manifest));
        }
        for (const QString &file : files)
            EXPECT_TRUE(test::writeTextFile(dir + u'/' + file, "#!/bin/sh\n"));
        QDir().mkpath(dir);
        return dir;
    }

    test::IsolatedHome home;
    QString folder = home.dataHome() + u"/Tavolin/CommandExtensions"_qs;
    QDateTime now{QDate(2024, 3, 5), QTime(14, 7, 9)};
    int waits = 0;
    ExtensionImporter importer{folder, [this] { return now; }, [this] {
        ++waits;
        now = now.addSecs(1);
    }};
};

TEST_F(ExtensionImporterTest, PlainScriptsAreCopiedAndTakenNamesGetTheTimeASecondApart)
{
    const ImportResult first = importer.importFrom(source(u"Safari - Open Tabs.scpt"_qs));
    ASSERT_TRUE(first.isOk()) << first.reason().toStdString();
    EXPECT_EQ(first.value(), PluginDataItem(u"Safari.app"_qs, u"Open Tabs"_qs, u"Safari - Open Tabs.scpt"_qs));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{u"Safari - Open Tabs.scpt"_qs});

    const QString script = source(u"cleanup.sh"_qs);
    ASSERT_TRUE(importer.importFrom(script).isOk());
    const ImportResult second = importer.importFrom(script);
    ASSERT_TRUE(second.isOk());
    EXPECT_EQ(second.value().entry, QLatin1String("cleanup-2024-03-05 14:07:09.sh"));
    EXPECT_EQ(second.value().label, QLatin1String("cleanup")) << "the title comes from the original name";
    const ImportResult third = importer.importFrom(script);
    ASSERT_TRUE(third.isOk());
    EXPECT_EQ(third.value().entry, QLatin1String("cleanup-2024-03-05 14:07:10.sh"));
    EXPECT_EQ(waits, 1);

    const QString tidy = source(u"tidy"_qs);
    ASSERT_TRUE(importer.importFrom(tidy).isOk());
    EXPECT_EQ(importer.importFrom(tidy).value().entry, QLatin1String("tidy-2024-03-05 14:07:10")) << "no trailing dot";
}

TEST_F(ExtensionImporterTest, AMissingSourceOrAClockThatNeverFreesANameIsAnError)
{
    const ImportResult missing = importer.importFrom(home.root() + u"/nothing.sh"_qs);
    EXPECT_FALSE(missing.isOk());
    EXPECT_FALSE(missing.reason().isEmpty());

    ExtensionImporter stuck(folder, [this] { return now; }, [this] { ++waits; });
    const QString script = source(u"a.sh"_qs);
    ASSERT_TRUE(stuck.importFrom(script).isOk());
    ASSERT_TRUE(stuck.importFrom(script).isOk());
    EXPECT_FALSE(stuck.importFrom(script).isOk());
    EXPECT_EQ(waits, ExtensionImporter::kMaxNameAttempts);
}

TEST_F(ExtensionImporterTest, BundleRecordFromItsManifestOrItsFolderName)
{
    const char *manifest = R"({"app":"mousepad.app","name":"Sort","entry":"bin/sort.sh","shortcut":"ctrl+alt+s"})";
    const ImportResult tools = importer.importFrom(bundle(u"Tools.pext"_qs, manifest, {u"bin/sort.sh"_qs, u".x"_qs}));
    ASSERT_TRUE(tools.isOk()) << tools.reason().toStdString();
    EXPECT_EQ(tools.value(), PluginDataItem(u"mousepad.app"_qs, u"Sort"_qs, QString(), u"Tools.pext/bin/sort.sh"_qs,
                                          true, QString(), KeyData::keyDataFromString(u"ctrl+alt+s"_qs)));
    ASSERT_TRUE(tools.value().keyData.has_value());
    EXPECT_TRUE(QFile::exists(folder + u"/Tools.pext/.x"_qs)) << "the whole folder is copied";

    const ImportResult count =
        importer.importFrom(bundle(u"Word Count.pext"_qs, R"({"entry":"run.py","app":""})", {u"run.py"_qs}));
    ASSERT_TRUE(count.isOk());
    EXPECT_EQ(count.value(), PluginDataItem(u"all"_qs, u"Word Count"_qs, u"Word Count.pext/run.py"_qs));
}

TEST_F(ExtensionImporterTest, BadManifestIsRefusedWithItsMessage)
{
    const QString outside = home.root() + u"/src/secret.sh"_qs;
    test::writeTextFile(outside, "secret");
    const char *noEntry = "No entry found in the manifest.json file.";
    const char *noFile = "Entry file not exist in the bundle.";
    const char *outsideBundle = "Entry file must be inside the bundle.";
    // message null: the manifest is not read, and the copy stays
    const struct { const char *name; const char *manifest; const char *message; } cases[] = {
        {"empty entry", R"({"entry":""})", noEntry},
        {"no entry", R"({"name":"x"})", noEntry},
        {"entry not a string", R"({"entry":42})", noEntry},
        {"missing entry file", R"({"entry":"nope.sh"})", noFile},
        {"entry is a folder", R"({"entry":"."})", noFile},
        {"parent traversal", R"({"entry":"../secret.sh"})", outsideBundle},
        {"hidden traversal", R"({"entry":"sub/../../secret.sh"})", outsideBundle},
        {"absolute entry", R"({"entry":"/bin/sh"})", outsideBundle},
        {"link leaving the bundle", R"({"entry":"link.sh"})", outsideBundle},
        {"unparsable manifest", "{nope", nullptr},
        {"manifest not an object", "[1,2]", nullptr},
        {"missing manifest", nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(home.root() + u"/src/Bad.pext"_qs).removeRecursively();
        QDir(folder + u"/Bad.pext"_qs).removeRecursively();
        const QString dir = bundle(u"Bad.pext"_qs, c.manifest, {u"run.sh"_qs});
        QFile::link(outside, dir + u"/link.sh"_qs);
        const ImportResult result = importer.importFrom(dir);
        EXPECT_FALSE(result.isOk());
        if (c.message) {
            EXPECT_EQ(result.reason(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(QFileInfo::exists(folder + u"/Bad.pext"_qs), c.message == nullptr);
        EXPECT_TRUE(QFile::exists(outside)) << "nothing outside the bundle is touched";
        EXPECT_TRUE(QFile::exists(dir + u"/run.sh"_qs)) << "the original bundle is left alone";
    }
}

} // namespace
} // namespace tavolin
