#include "CatalogTestSupport.h"

#include "accessibility/LocaleUtils.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::poEntry;

class LocaleUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleUtils::resetForTesting();
        ASSERT_TRUE(dir.isValid());
        // The application's own catalog, and the toolkit's: "Undo" differs, "Select _All" only there.
        write("zh_CN", "scribe",
              poEntry("_File", "文件(_F)") + poEntry("_Open", "打开(_O)") + poEntry("Save _As...", "另存为...(_A)")
                  + poEntry("Find", "查找") + poEntry("Search", "查找") + poEntry("Undo", "撤销")
                  + poEntry("\\n", "\\n") + poEntry("Untranslated", QString()));
        write("zh_CN", "gtk30", poEntry("_Undo", "撤销") + poEntry("Select _All", "全选(_A)"));
        write("de", "scribe", poEntry("_File", "_Datei"));
        write("ja", "scribe", poEntry("_File", "ファイル(_F)"));
        write("jp", "scribe", poEntry("_Edit", "編集(_E)"));
        write("ko", "scribe", poEntry("_File", "파일(_F)"));
    }
    void TearDown() override { LocaleUtils::resetForTesting(); }

    void write(const QString &language, const QString &domain, const QString &entries)
    {
        QString error;
        const QString path = dir.filePath(language + u"/LC_MESSAGES/"_s + domain + u".mo"_s);
        ASSERT_TRUE(test::compileCatalog(test::poHeader() + entries, path, &error)) << qPrintable(error);
    }
    LocaleBundle bundle(const QString &id = u"org.example.Scribe"_s) const
    {
        return LocaleBundle{id, {dir.filePath(u"missing"_s), dir.path()}, {u"scribe"_s, u"gtk30"_s}};
    }
    static QString en(const char *title) { return LocaleUtils::getEnLabel(QString::fromUtf8(title)).value_or(u"<none>"_s); }

    QTemporaryDir dir;
};

TEST_F(LocaleUtilsTest, ChineseTitlesMapToEnglishWithoutMnemonics)
{
    LocaleUtils::buildTransMap(bundle(), u"zh_CN.UTF-8"_s);
    const std::pair<const char *, const char *> cases[] = {
        {"文件(F)", "File"},
        {"打开(O)", "Open"},
        {"另存为...(A)", "Save As..."},
        {"全选(A)", "Select All"}, // from the toolkit's catalog
        {"撤销", "Undo"},          // the application's catalog wins over the toolkit's
        {"查找", "Search"},        // catalogs are sorted by msgid: "Search", after "Find", decides
        {"打开(O)…", "Open"},      // a trailing ellipsis finds the entry without it
        {"打开(O)...", "<none>"},
    };
    for (const auto &[title, english] : cases)
        EXPECT_EQ(en(title), QString::fromUtf8(english)) << title;
    EXPECT_TRUE(LocaleUtils::hasTrans());
    EXPECT_EQ(LocaleUtils::lastBundle(), u"org.example.Scribe"_s);
    // Line feeds and untranslated entries are skipped.
    const auto dict = LocaleUtils::localeDict();
    EXPECT_FALSE(dict->contains(u"\n"_s));
    EXPECT_FALSE(dict->contains(QString()));
    EXPECT_FALSE(dict->values().contains(u"Untranslated"_s));
}

// Only Chinese, Japanese and Korean get a map.
TEST_F(LocaleUtilsTest, OnlyChineseJapaneseAndKoreanGetAMap)
{
    const struct
    {
        const char *locale;
        const char *title;   // a localized title
        const char *english; // expected English, or nullptr when no map is built
    } cases[] = {
        {"zh_CN.UTF-8", "文件(F)", "File"}, {"ja_JP.UTF-8", "ファイル(F)", "File"}, {"jp", "編集(E)", "Edit"},
        {"ko_KR.UTF-8", "파일(F)", "File"}, {"de_DE.UTF-8", "Datei", nullptr},     {"kok_IN", "파일(F)", nullptr}, // Konkani
        {"en_US", "File", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.locale);
        LocaleUtils::resetForTesting();
        LocaleUtils::buildTransMap(bundle(), QString::fromUtf8(c.locale));
        if (c.english) {
            EXPECT_EQ(en(c.title), QString::fromUtf8(c.english));
        } else {
            EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
        }
    }
}

TEST_F(LocaleUtilsTest, SameApplicationTwiceReturnsAtOnce)
{
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    const auto first = LocaleUtils::localeDict();
    // Even a changed catalog is not read again for the same application.
    write("zh_CN", "scribe", poEntry("_File", "档案(_F)"));
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    EXPECT_EQ(LocaleUtils::localeDict(), first);
}

// No bundle at first counts as the same as none; another application empties the map but keeps hasTrans;
// so does one without a locale, and coming back from either builds the map again.
TEST_F(LocaleUtilsTest, AnotherApplicationEmptiesTheMap)
{
    LocaleUtils::buildTransMap(std::nullopt, u"zh_CN"_s);
    EXPECT_EQ(LocaleUtils::lastBundle(), std::nullopt);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());

    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    ASSERT_FALSE(LocaleUtils::localeDict()->isEmpty());
    LocaleUtils::buildTransMap(bundle(u"org.example.Other"_s), u"de_DE"_s);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    EXPECT_TRUE(LocaleUtils::hasTrans());
    EXPECT_EQ(LocaleUtils::lastBundle(), u"org.example.Other"_s);

    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    ASSERT_FALSE(LocaleUtils::localeDict()->isEmpty());
    LocaleUtils::buildTransMap(bundle(u"org.example.Third"_s), std::nullopt);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    EXPECT_EQ(LocaleUtils::lastBundle(), u"org.example.Third"_s);
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    EXPECT_FALSE(LocaleUtils::localeDict()->isEmpty()) << "back from an application without a locale";
    LocaleUtils::buildTransMap(std::nullopt, std::nullopt);
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    EXPECT_FALSE(LocaleUtils::localeDict()->isEmpty()) << "back from a window without an application";
    LocaleUtils::buildTransMap(bundle(), std::nullopt);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    EXPECT_FALSE(LocaleUtils::localeDict()->isEmpty()) << "the same application once its locale is known";
}

TEST_F(LocaleUtilsTest, BrokenCatalogIsSkippedQuietly)
{
    QFile broken(dir.filePath(u"zh_CN/LC_MESSAGES/scribe.mo"_s));
    ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
    broken.resize(40);
    broken.close();
    LocaleUtils::buildTransMap(bundle(), u"zh_CN"_s);
    EXPECT_EQ(en("全选(A)"), u"Select All"_s);
    EXPECT_EQ(en("文件(F)"), u"<none>"_s);
}

TEST_F(LocaleUtilsTest, LocaleNeverNamesAPath)
{
    write("zh_evil", "scribe", poEntry("_File", "文件(_F)"));
    LocaleBundle escaping = bundle();
    escaping.localeDirs = {dir.filePath(u"zh_CN"_s)};
    LocaleUtils::buildTransMap(escaping, u"zh_CN/../../zh_evil"_s);
    EXPECT_TRUE(LocaleUtils::localeDict()->isEmpty());
}

// Readers running while maps are built see either an empty map or a whole one, never a part.
TEST_F(LocaleUtilsTest, ReadersNeverSeeAHalfBuiltMap)
{
    LocaleUtils::buildTransMap(bundle(u"probe"_s), u"zh_CN"_s);
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
        LocaleUtils::buildTransMap(bundle(u"app-%1"_s.arg(i)), u"zh_CN"_s);
    done.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

TEST(LocaleUtilsFoldersTest, LanguageFoldersMostSpecificFirst)
{
    const std::pair<const char *, QStringList> cases[] = {
        {"zh_CN.UTF-8@latin", {"zh_CN.UTF-8@latin", "zh_CN.UTF-8", "zh_CN@latin", "zh_CN", "zh@latin", "zh"}},
        {"ja_JP.UTF-8", {"ja_JP.UTF-8", "ja_JP", "ja"}},
        {"ko", {"ko"}},
        {"zh-Hans", {"zh-Hans", "zh"}},     // a script subtag
        {"zh_TW:zh_CN:en", {"zh_TW", "zh"}}, // a language list
        {"../../etc", {}},
        {"", {}},
    };
    for (const auto &[locale, folders] : cases)
        EXPECT_EQ(LocaleUtils::languageFolders(QString::fromUtf8(locale)), folders) << locale;
}

TEST(LocaleUtilsFoldersTest, StripMnemonicRemovesMarkersOnly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"_Datei", "Datei"}, {"文件(_F)", "文件(F)"}, {"Save _As…", "Save As…"},
        {"snake__case", "snake_case"}, // doubled is literal
        {"Quit_", "Quit"},    {"Undo", "Undo"},
    };
    for (const auto &[text, stripped] : cases)
        EXPECT_EQ(LocaleUtils::stripMnemonic(QString::fromUtf8(text)), QString::fromUtf8(stripped)) << text;
}

} // namespace
} // namespace tavolin
