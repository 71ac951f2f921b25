// Importing extensions: plain file names, time-stamped duplicates, bundle manifests and their errors.
#include "PrefsTestSupport.h"
#include "prefs/ExtensionImporter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

struct NameRow
{
    const char *name;
    const char *baseName;
    const char *app;
    const char *title;
};

class PlainNameTest : public ::testing::TestWithParam<NameRow>
{
};

TEST_P(PlainNameTest, ReadsApplicationAndTitle)
{
    const auto parsed = ExtensionImporter::parsePlainName(QString::fromUtf8(GetParam().baseName));
    EXPECT_EQ(parsed.app, QString::fromUtf8(GetParam().app));
    EXPECT_EQ(parsed.title, QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(
    Names, PlainNameTest,
    ::testing::Values(NameRow{"AppAndTitle", "Safari - Open Tabs", "Safari.app", "Open Tabs"},
                      NameRow{"NoDashMeansAll", "cleanup", "all", "cleanup"},
                      NameRow{"AppIsCapitalised", "mousepad  -\tSort Lines", "Mousepad.app", "Sort Lines"},
                      NameRow{"EveryWordCapitalised", "visual STUDIO code-Run", "Visual Studio Code.app", "Run"},
                      NameRow{"AppEndingKept", "Geany.app - Build", "Geany.app", "Build"},
                      NameRow{"OnlyFirstDashSplits", "Files - Copy - Path", "Files.app", "Copy - Path"},
                      NameRow{"EmptyTitle", "Files-", "Files.app", ""}),
    [](const auto &info) { return std::string(info.param.name); });

class ExtensionImporterTest : public ::testing::Test
{
protected:
    ExtensionImporterTest()
        : folder(home.dataHome() + QStringLiteral("/Tavolin/CommandExtensions")),
          now(QDate(2024, 3, 5), QTime(14, 7, 9)),
          importer(folder, [this] { return now; }, [this] {
              ++waits;
              now = now.addSecs(1);
          })
    {
    }

    QString source(const QString &name, const QByteArray &content = "echo hi\n")
    {
        const QString path = home.root() + QStringLiteral("/src/") + name;
        EXPECT_TRUE(test::writeTextFile(path, content));
        return path;
    }

    QString bundle(const QString &name, const QByteArray &manifest, const QStringList &files = {})
    {
        const QString dir = home.root() + QStringLiteral("/src/") + name;
        if (!manifest.isNull()) {
            EXPECT_TRUE(test::writeTextFile(dir + QStringLiteral("/manifest.json"), manifest));
        }
        for (const QString &file : files) {
            EXPECT_TRUE(test::writeTextFile(dir + QLatin1Char('/') + file, "#!/bin/sh\n"));
        }
        QDir().mkpath(dir);
        return dir;
    }

    QStringList folderEntries() const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }

    test::IsolatedHome home;
    QString folder;
    QDateTime now;
    int waits = 0;
    ExtensionImporter importer;
};

TEST_F(ExtensionImporterTest, PlainScriptIsCopiedIntoACreatedFolder)
{
    const ImportResult result = importer.importFrom(source(QStringLiteral("Safari - Open Tabs.scpt")));
    ASSERT_TRUE(result.isOk()) << result.reason().toStdString();
    EXPECT_EQ(result.value(), PluginDataItem(QStringLiteral("Safari.app"), QStringLiteral("Open Tabs"),
                                           QStringLiteral("Safari - Open Tabs.scpt")));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("Safari - Open Tabs.scpt")});
}

TEST_F(ExtensionImporterTest, TakenNamesGetTheTimeAndTwoInOneSecondAreASecondApart)
{
    const QString script = source(QStringLiteral("cleanup.sh"));
    ASSERT_TRUE(importer.importFrom(script).isOk());
    const ImportResult second = importer.importFrom(script);
    ASSERT_TRUE(second.isOk());
    EXPECT_EQ(second.value().entry, QLatin1String("cleanup-2024-03-05 14:07:09.sh"));
    EXPECT_EQ(second.value().label, QLatin1String("cleanup")) << "the title comes from the original name";
    const ImportResult third = importer.importFrom(script);
    ASSERT_TRUE(third.isOk());
    EXPECT_EQ(third.value().entry, QLatin1String("cleanup-2024-03-05 14:07:10.sh"));
    EXPECT_EQ(waits, 1);
}

TEST_F(ExtensionImporterTest, NameWithoutEndingGetsNoTrailingDot)
{
    const QString script = source(QStringLiteral("tidy"));
    ASSERT_TRUE(importer.importFrom(script).isOk());
    EXPECT_EQ(importer.importFrom(script).value().entry, QLatin1String("tidy-2024-03-05 14:07:09"));
}

TEST_F(ExtensionImporterTest, GivesUpWhenTheClockNeverFreesAName)
{
    ExtensionImporter stuck(folder, [this] { return now; }, [this] { ++waits; });
    const QString script = source(QStringLiteral("a.sh"));
    ASSERT_TRUE(stuck.importFrom(script).isOk());
    ASSERT_TRUE(stuck.importFrom(script).isOk());
    const ImportResult result = stuck.importFrom(script);
    EXPECT_FALSE(result.isOk());
    EXPECT_EQ(waits, ExtensionImporter::kMaxNameAttempts);
}

TEST_F(ExtensionImporterTest, MissingSourceIsAnError)
{
    const ImportResult result = importer.importFrom(home.root() + QStringLiteral("/nothing.sh"));
    EXPECT_FALSE(result.isOk());
    EXPECT_FALSE(result.reason().isEmpty());
}

TEST_F(ExtensionImporterTest, BundleRecordFromItsManifest)
{
    const QString dir = bundle(QStringLiteral("Tools.pext"),
                               R"({"app":"mousepad.app","name":"Sort","entry":"bin/sort.sh","shortcut":"ctrl+alt+s"})",
                               {QStringLiteral("bin/sort.sh"), QStringLiteral(".hidden")});
    const ImportResult result = importer.importFrom(dir);
    ASSERT_TRUE(result.isOk()) << result.reason().toStdString();
    EXPECT_EQ(result.value().app, QLatin1String("mousepad.app"));
    EXPECT_EQ(result.value().label, QLatin1String("Sort"));
    EXPECT_EQ(result.value().entry, QLatin1String("Tools.pext/bin/sort.sh"));
    EXPECT_TRUE(result.value().enabled);
    ASSERT_TRUE(result.value().keyData.has_value());
    EXPECT_EQ(*result.value().keyData, *KeyData::keyDataFromString(QStringLiteral("ctrl+alt+s")));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Tools.pext/.hidden"))) << "the whole folder is copied";
}

TEST_F(ExtensionImporterTest, BundleDefaultsToAllAndItsFolderName)
{
    const QString dir = bundle(QStringLiteral("Word Count.pext"), R"({"entry":"run.py","app":""})",
                               {QStringLiteral("run.py")});
    const ImportResult result = importer.importFrom(dir);
    ASSERT_TRUE(result.isOk());
    EXPECT_EQ(result.value().app, QLatin1String("all"));
    EXPECT_EQ(result.value().label, QLatin1String("Word Count"));
    EXPECT_FALSE(result.value().keyData.has_value());
}

struct ManifestRow
{
    const char *name;
    const char *manifest;
    const char *message;
    bool copyRemains;
};

class ManifestErrorTest : public ExtensionImporterTest, public ::testing::WithParamInterface<ManifestRow>
{
};

TEST_P(ManifestErrorTest, IsRefusedWithItsMessage)
{
    const QString outside = home.root() + QStringLiteral("/src/secret.sh");
    test::writeTextFile(outside, "secret");
    const QString dir = bundle(QStringLiteral("Bad.pext"), GetParam().manifest, {QStringLiteral("run.sh")});
    QFile::link(outside, dir + QStringLiteral("/link.sh"));
    const ImportResult result = importer.importFrom(dir);
    EXPECT_FALSE(result.isOk());
    if (GetParam().message) {
        EXPECT_EQ(result.reason(), QString::fromUtf8(GetParam().message));
    }
    EXPECT_EQ(QFileInfo::exists(folder + QStringLiteral("/Bad.pext")), GetParam().copyRemains);
    EXPECT_TRUE(QFile::exists(outside)) << "nothing outside the bundle is touched";
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/run.sh"))) << "the original bundle is left alone";
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, ManifestErrorTest,
    ::testing::Values(
        ManifestRow{"EmptyEntry", R"({"entry":""})", "No entry found in the manifest.json file.", false},
        ManifestRow{"NoEntry", R"({"name":"x"})", "No entry found in the manifest.json file.", false},
        ManifestRow{"EntryNotAString", R"({"entry":42})", "No entry found in the manifest.json file.", false},
        ManifestRow{"MissingEntryFile", R"({"entry":"nope.sh"})", "Entry file not exist in the bundle.", false},
        ManifestRow{"EntryIsAFolder", R"({"entry":"."})", "Entry file not exist in the bundle.", false},
        ManifestRow{"ParentTraversal", R"({"entry":"../secret.sh"})", "Entry file must be inside the bundle.", false},
        ManifestRow{"HiddenTraversal", R"({"entry":"sub/../../secret.sh"})", "Entry file must be inside the bundle.",
                    false},
        ManifestRow{"AbsoluteEntry", R"({"entry":"/bin/sh"})", "Entry file must be inside the bundle.", false},
        ManifestRow{"LinkLeavingTheBundle", R"({"entry":"link.sh"})", "Entry file must be inside the bundle.", false},
        ManifestRow{"UnparsableManifestStaysCopied", "{nope", nullptr, true},
        ManifestRow{"ManifestNotAnObjectStaysCopied", "[1,2]", nullptr, true},
        ManifestRow{"MissingManifestStaysCopied", nullptr, nullptr, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
