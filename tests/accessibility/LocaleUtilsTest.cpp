#include "CatalogTestSupport.h"

#include "accessibility/LocaleUtils.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavolin {
namespace {

using test::poEntry;

class LocaleUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleUtils::resetForTesting();
        ASSERT_TRUE(dir.isValid());
        // The application's own catalog.
        write(QStringLiteral("zh_CN"), QStringLiteral("scribe"),
              poEntry(QStringLiteral("_File"), QStringLiteral("文件(_F)")) + poEntry(QStringLiteral("_Open"), QStringLiteral("打开(_O)"))
                  + poEntry(QStringLiteral("Save _As..."), QStringLiteral("另存为...(_A)"))
                  + poEntry(QStringLiteral("Find"), QStringLiteral("查找")) + poEntry(QStringLiteral("Search"), QStringLiteral("查找"))
                  + poEntry(QStringLiteral("Undo"), QStringLiteral("撤销"))
                  + poEntry(QStringLiteral("\\n"), QStringLiteral("\\n"))
                  + poEntry(QStringLiteral("Untranslated"), QString()));
        // The toolkit's catalog: "Undo" differs, "Select _All" only here.
        write(QStringLiteral("zh_CN"), QStringLiteral("gtk30"),
              poEntry(QStringLiteral("_Undo"), QStringLiteral("撤销")) + poEntry(QStringLiteral("Select _All"), QStringLiteral("全选(_A)")));
        write(QStringLiteral("de"), QStringLiteral("scribe"), poEntry(QStringLiteral("_File"), QStringLiteral("_Datei")));
        write(QStringLiteral("ja"), QStringLiteral("scribe"), poEntry(QStringLiteral("_File"), QStringLiteral("ファイル(_F)")));
        write(QStringLiteral("jp"), QStringLiteral("scribe"), poEntry(QStringLiteral("_Edit"), QStringLiteral("編集(_E)")));
        write(QStringLiteral("ko"), QStringLiteral("scribe"), poEntry(QStringLiteral("_File"), QStringLiteral("파일(_F)")));
    }
    void TearDown() override { LocaleUtils::resetForTesting(); }

    void write(const QString &language, const QString &domain, const QString &entries)
    {
        QString error;
        const QString path = dir.filePath(language + QStringLiteral("/LC_MESSAGES/") + domain + QStringLiteral(".mo"));
        ASSERT_TRUE(test::compileCatalog(test::poHeader() + entries, path, &error)) << qPrintable(error);
    }
    LocaleBundle bundle(const QString &id = QStringLiteral("org.example.Scribe")) const
    {
        return LocaleBundle{id, {dir.filePath(QStringLiteral("missing")), dir.path()}, {QStringLiteral("scribe"), QStringLiteral("gtk30")}};
    }
    static QString en(const char *title) { return LocaleUtils::getEnLabel(QString::fromUtf8(title)).value_or(QStringLiteral("<none>")); }

    QTemporaryDir dir;
};

TEST_F(LocaleUtilsTest, ChineseTitlesMapToEnglishWithoutMnemonics)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN.UTF-8"));
    EXPECT_EQ(en("文件(F)"), QStringLiteral("File"));
    EXPECT_EQ(en("打开(O)"), QStringLiteral("Open"));
    EXPECT_EQ(en("另存为...(A)"), QStringLiteral("Save As..."));
    EXPECT_EQ(en("全选(A)"), QStringLiteral("Select All")); // from the toolkit's catalog
    EXPECT_TRUE(LocaleUtils::hasTrans());
    EXPECT_EQ(LocaleUtils::lastBundle(), QStringLiteral("org.example.Scribe"));
}

TEST_F(LocaleUtilsTest, TrailingEllipsisFindsTheEntryWithoutIt)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    EXPECT_EQ(en("打开(O)…"), QStringLiteral("Open"));
    EXPECT_EQ(en("打开(O)..."), QStringLiteral("<none>"));
}

TEST_F(LocaleUtilsTest, LaterKeyWithTheSameTextDecides)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    EXPECT_EQ(en("查找"), QStringLiteral("Search")); // catalogs are sorted by msgid: "Search" comes after "Find"
}

TEST_F(LocaleUtilsTest, ApplicationCatalogWinsOverTheToolkits)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    EXPECT_EQ(en("撤销"), QStringLiteral("Undo"));
}

TEST_F(LocaleUtilsTest, LineFeedAndUntranslatedEntriesAreSkipped)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    const auto dict = LocaleUtils::localeDict();
    EXPECT_FALSE(dict->contains(QStringLiteral("\n")));
    EXPECT_FALSE(dict->contains(QString()));
    EXPECT_FALSE(dict->values().contains(QStringLiteral("Untranslated")));
}

struct LanguageCase
{
    const char *name;
    const char *locale;
    const char *title;   // a localized title
    const char *english; // expected English, or nullptr when no map is built
};

class LanguageTest : public LocaleUtilsTest, public ::testing::WithParamInterface<LanguageCase>
{
};

TEST_P(LanguageTest, OnlyChineseJapaneseAndKoreanGetAMap)
{
    LocaleUtils::buildTransMap(bundle(), QString::fromUtf8(GetParam().locale));
    if (GetParam().english) {
        EXPECT_EQ(en(GetParam().title), QString::fromUtf8(GetParam().english));
    } else {
        EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LanguageTest,
                         ::testing::Values(LanguageCase{"Chinese", "zh_CN.UTF-8", "文件(F)", "File"},
                                           LanguageCase{"Japanese", "ja_JP.UTF-8", "ファイル(F)", "File"},
                                           LanguageCase{"JapaneseWrittenJp", "jp", "編集(E)", "Edit"},
                                           LanguageCase{"Korean", "ko_KR.UTF-8", "파일(F)", "File"},
                                           LanguageCase{"German", "de_DE.UTF-8", "Datei", nullptr},
                                           LanguageCase{"KonkaniIsNotKorean", "kok_IN", "파일(F)", nullptr},
                                           LanguageCase{"English", "en_US", "File", nullptr}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LocaleUtilsTest, SameApplicationTwiceReturnsAtOnce)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    const auto first = LocaleUtils::localeDict();
    // Even a changed catalog is not read again for the same application.
    write(QStringLiteral("zh_CN"), QStringLiteral("scribe"), poEntry(QStringLiteral("_File"), QStringLiteral("档案(_F)")));
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    EXPECT_EQ(LocaleUtils::localeDict(), first);
}

TEST_F(LocaleUtilsTest, AnotherApplicationEmptiesTheMapButKeepsHasTrans)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    ASSERT_FALSE(LocaleUtils::localeDict()->isEmpty());
    LocaleUtils::buildTransMap(bundle(QStringLiteral("org.example.Other")), QStringLiteral("de_DE"));
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    EXPECT_TRUE(LocaleUtils::hasTrans());
    EXPECT_EQ(LocaleUtils::lastBundle(), QStringLiteral("org.example.Other"));
}

TEST_F(LocaleUtilsTest, MissingLocaleEmptiesTheMapAndKeepsTheLastBundle)
{
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    LocaleUtils::buildTransMap(bundle(QStringLiteral("org.example.Other")), std::nullopt);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    EXPECT_EQ(LocaleUtils::lastBundle(), QStringLiteral("org.example.Scribe"));
}

TEST_F(LocaleUtilsTest, NoBundleTwiceCountsAsTheSame)
{
    LocaleUtils::buildTransMap(std::nullopt, QStringLiteral("zh_CN"));
    EXPECT_EQ(LocaleUtils::lastBundle(), std::nullopt);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
}

TEST_F(LocaleUtilsTest, BrokenCatalogIsSkippedQuietly)
{
    QFile broken(dir.filePath(QStringLiteral("zh_CN/LC_MESSAGES/scribe.mo")));
    ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
    broken.resize(40);
    broken.close();
    LocaleUtils::buildTransMap(bundle(), QStringLiteral("zh_CN"));
    EXPECT_EQ(en("全选(A)"), QStringLiteral("Select All"));
    EXPECT_EQ(en("文件(F)"), QStringLiteral("<none>"));
}

TEST_F(LocaleUtilsTest, LocaleNeverNamesAPath)
{
    write(QStringLiteral("zh_evil"), QStringLiteral("scribe"), poEntry(QStringLiteral("_File"), QStringLiteral("文件(_F)")));
    LocaleBundle escaping = bundle();
    escaping.localeDirs = {dir.filePath(QStringLiteral("zh_CN"))};
    LocaleUtils::buildTransMap(escaping, QStringLiteral("zh_CN/../../zh_evil"));
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
}

// Readers running while maps are built see either an empty map or a whole one, never a part.
TEST_F(LocaleUtilsTest, ReadersNeverSeeAHalfBuiltMap)
{
    LocaleUtils::buildTransMap(bundle(QStringLiteral("probe")), QStringLiteral("zh_CN"));
    const qsizetype whole = LocaleUtils::localeDict()->size();
    ASSERT_GT(whole, 0);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            const qsizetype size = LocaleUtils::localeDict()->size();
            if (size != 0 && size != whole)
                ++torn;
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 40; ++i)
        LocaleUtils::buildTransMap(bundle(QStringLiteral("app-%1").arg(i)), QStringLiteral("zh_CN"));
    done.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

struct FolderCase
{
    const char *name;
    const char *locale;
    QStringList folders;
};

class LanguageFoldersTest : public ::testing::TestWithParam<FolderCase>
{
};

TEST_P(LanguageFoldersTest, MostSpecificFirst)
{
    EXPECT_EQ(LocaleUtils::languageFolders(QString::fromUtf8(GetParam().locale)), GetParam().folders);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageFoldersTest,
    ::testing::Values(FolderCase{"Full", "zh_CN.UTF-8@latin", {"zh_CN.UTF-8@latin", "zh_CN.UTF-8", "zh_CN@latin", "zh_CN", "zh@latin", "zh"}},
                      FolderCase{"TerritoryAndCodeset", "ja_JP.UTF-8", {"ja_JP.UTF-8", "ja_JP", "ja"}},
                      FolderCase{"LanguageOnly", "ko", {"ko"}},
                      FolderCase{"ScriptSubtag", "zh-Hans", {"zh-Hans", "zh"}},
                      FolderCase{"LanguageList", "zh_TW:zh_CN:en", {"zh_TW", "zh"}},
                      FolderCase{"PathIsRefused", "../../etc", {}},
                      FolderCase{"Empty", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct MnemonicCase
{
    const char *name;
    const char *text;
    const char *stripped;
};

class StripMnemonicTest : public ::testing::TestWithParam<MnemonicCase>
{
};

TEST_P(StripMnemonicTest, RemovesMarkersOnly)
{
    EXPECT_EQ(LocaleUtils::stripMnemonic(QString::fromUtf8(GetParam().text)), QString::fromUtf8(GetParam().stripped));
}

INSTANTIATE_TEST_SUITE_P(Cases, StripMnemonicTest,
                         ::testing::Values(MnemonicCase{"Leading", "_Datei", "Datei"},
                                           MnemonicCase{"InParentheses", "文件(_F)", "文件(F)"},
                                           MnemonicCase{"Inside", "Save _As…", "Save As…"},
                                           MnemonicCase{"DoubledIsLiteral", "snake__case", "snake_case"},
                                           MnemonicCase{"Trailing", "Quit_", "Quit"},
                                           MnemonicCase{"None", "Undo", "Undo"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
