#include "palette/TextFolding.h"

#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tavolin {
namespace {

std::vector<uint32_t> keysOf(const FoldedText &text)
{
    return {text.foldKeys(), text.foldKeys() + 3 * text.size()};
}

using test::describe;

// Expects the default route (fast path where it applies) to give exactly what ICU alone gives.
void expectSameAsIcu(const QString &text, FoldMode mode)
{
    const FoldedText fast(text, mode);
    const FoldedText icu(text, mode, FoldedText::Route::IcuOnly);
    const std::string where = describe(text) + (mode == FoldMode::Turkic ? "(Turkic)" : "(Default)");
    ASSERT_EQ(fast.size(), icu.size()) << where;
    EXPECT_EQ(keysOf(fast), keysOf(icu)) << where;
    EXPECT_EQ(fast.mask(), icu.mask()) << where;
    EXPECT_EQ(fast.firstDefaultKey(), icu.firstDefaultKey()) << where;
}

// Pools of code points the generator draws from, each a kind of text menus carry.
const std::vector<std::u16string> &pools()
{
    static const std::vector<std::u16string> p{
        u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,:;-_+()'\"/\\&!?#%*<>[]{}|~^`@$=",
        u"\t\n\r\r\n\u0001\u007f",
        u"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞßµ×÷ª²¼\u00a0\u00ad\u0080\u009f",
        u"ŁłŒœŠšŸŽžĞğŞşǅǆſ\u1e9e\u212a\u212b\u2126ﬁﬀ",         // Latin extended, singletons, ligatures
        u"İıIi",                                                // Turkish i forms
        u"\u0301\u0308\u0327\u0323\u20dd\u034f",               // combining and enclosing marks, grapheme joiner
        u"ΑΒΓΔΣσςΐΰάέΆΈ",                                      // Greek with final sigma and tonos
        u"ФайлПравкаВидЁёЙй",                                   // Cyrillic
        u"文件编辑视图窗口ファイル編集表示",                       // CJK and kana
        u"\u1100\u1161\u11a8\ud55c\uae00",                      // Hangul jamo and syllables
        u"\U0001F389\U0001F600\u200d\U0001F44D\U0001F3FD\U0001F1E9\U0001F1EA\u2764\ufe0f", // emoji sequences
        u"\u0915\u094d\u0937\u093f\u0627\u0644\u0639\u0631\u0628\u064a\u0629\u0e01\u0e33", // Devanagari, Arabic, Thai
        u"…•–—‘’“”\u2060\u200b\u2adc\ufeff\uffff",             // punctuation, invisibles, U+2ADC
    };
    return p;
}

// A random text of up to 14 units: mostly one pool (as titles are), sometimes mixed.
QString generated(std::mt19937 &random)
{
    const auto &p = pools();
    const size_t main = random() % p.size();
    const int length = static_cast<int>(random() % 15);
    std::u16string text;
    for (int i = 0; i < length; ++i) {
        const std::u16string &pool = p[random() % 4 == 0 ? random() % p.size() : main];
        size_t at = random() % pool.size();
        if (at > 0 && QChar::isLowSurrogate(pool[at]))
            --at; // keep surrogate pairs whole
        text += pool[at];
        if (QChar::isHighSurrogate(pool[at]) && at + 1 < pool.size())
            text += pool[at + 1];
    }
    return QString::fromStdU16String(text);
}

TEST(TextFoldingDifferential, FastPathGivesTheKeysIcuGives)
{
    std::mt19937 random(20240611);
    int fast = 0;
    int slow = 0;
    for (int i = 0; i < 6000; ++i) {
        const QString text = generated(random);
        const bool withoutIcu = foldsWithoutIcu(text);
        (withoutIcu ? fast : slow) += 1;
        expectSameAsIcu(text, FoldMode::Default);
        expectSameAsIcu(text, FoldMode::Turkic);
        for (FoldMode mode : {FoldMode::Default, FoldMode::Turkic}) {
            const std::optional<uint64_t> mask = foldedMaskWithoutIcu(text, mode);
            ASSERT_EQ(mask.has_value(), withoutIcu) << describe(text);
            if (mask) {
                EXPECT_EQ(*mask, FoldedText(text, mode, FoldedText::Route::IcuOnly).mask()) << describe(text);
            }
        }
        if (HasFailure())
            return;
    }
    // Both routes must really have been compared, not one of them only.
    EXPECT_GT(fast, 1500);
    EXPECT_GT(slow, 1500);
}

TEST(TextFoldingDifferential, EveryLatinOneAndPunctuationCharacterAlone)
{
    for (char16_t c = 0; c < 0x250; ++c) {
        expectSameAsIcu(QString(QChar(c)), FoldMode::Default);
        expectSameAsIcu(QString(QChar(c)), FoldMode::Turkic);
    }
    for (char16_t c = 0x2000; c < 0x2070; ++c)
        expectSameAsIcu(QString(QChar(c)), FoldMode::Default);
}

TEST(TextFolding, TakesTheFastPathOnlyWhereEveryUnitIsACluster)
{
    const struct { const char *name; const char16_t *text; bool withoutIcu; } cases[] = {
        {"empty", u"", true},
        {"plain ASCII", u"Save As...", true},
        {"lone carriage return", u"Save\rAs", true},
        {"CR LF is one cluster", u"Save\r\nAs", false},
        {"precomposed accents", u"Préférences…", true},
        {"sharp s folds to two letters", u"Straße", true},
        {"dotted capital I", u"İstanbul", true},
        {"Cyrillic", u"Файл", true},
        {"Han", u"文件", true},
        {"combining acute", u"Cafe\u0301", false},
        {"Hangul syllable", u"한글", false},
        {"emoji outside the basic plane", u"Party 🎉", false},
        {"zero width joiner", u"a\u200db", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(foldsWithoutIcu(text), c.withoutIcu);
        expectSameAsIcu(text, FoldMode::Default);
        expectSameAsIcu(text, FoldMode::Turkic);
    }
}

// Case keys ignore case, fold keys marks too, exact keys neither; Turkic folds the capital I to the dotless one
// but keeps the first key of the default folding.
TEST(TextFolding, FoldsCaseAndMarksInEachMode)
{
    const FoldedText upper(u"ÉTÉ"_qs, FoldMode::Default);
    const FoldedText lower(u"été"_qs, FoldMode::Default);
    const FoldedText bare(u"ete"_qs, FoldMode::Default);
    const auto three = [](const uint32_t *keys) { return std::vector<uint32_t>(keys, keys + 3); };
    EXPECT_EQ(three(upper.caseKeys()), three(lower.caseKeys()));
    EXPECT_EQ(three(upper.foldKeys()), three(bare.foldKeys()));
    EXPECT_NE(upper.exactKeys()[0], lower.exactKeys()[0]);
    const FoldedText turkic(u"Izmir"_qs, FoldMode::Turkic);
    EXPECT_EQ(turkic.foldKeys()[0], 0x0131u);
    EXPECT_EQ(turkic.firstDefaultKey(), uint32_t(u'i'));
    EXPECT_EQ(FoldedText(u"İ"_qs, FoldMode::Turkic).foldKeys()[0], uint32_t(u'i'));
}

TEST(TextFolding, AppendedKeysLandAfterWhatTheBlockHolds)
{
    std::vector<uint32_t> block{7, 7};
    const FoldedRange ascii = appendFoldedKeys(u"Ab", FoldMode::Default, block);
    const FoldedRange mixed = appendFoldedKeys(u"e\u0301🎉", FoldMode::Default, block);
    EXPECT_EQ(ascii.offset, 2u);
    EXPECT_EQ(mixed.offset, 8u);
    EXPECT_EQ(mixed.size, 2);
    ASSERT_EQ(block.size(), 14u);
    const FoldedText reference(u"e\u0301🎉"_qs, FoldMode::Default);
    const FoldedSpan span = mixed.spanIn(block);
    EXPECT_EQ(std::vector<uint32_t>(span.foldKeys, span.foldKeys + 6), keysOf(reference));
    EXPECT_EQ(span.mask, reference.mask());
    EXPECT_EQ(block[0], 7u);
    EXPECT_EQ(ascii.spanIn(block).foldKeys[0], uint32_t(u'a'));
}

// The per-character table fills lazily without a lock: threads racing on the same fresh characters must
// still read complete keys.
TEST(TextFolding, ThreadsFoldingFreshCharactersAgree)
{
    std::vector<QString> texts;
    for (char16_t c = 0x0400; c < 0x0500; c += 4)
        texts.push_back(QString(QChar(c)) + QChar(c + 1) + QChar(c + 2) + QChar(c + 3));
    std::vector<std::vector<uint32_t>> seen[2];
    std::thread other([&] {
        for (const QString &text : texts)
            seen[1].push_back(keysOf(FoldedText(text, FoldMode::Turkic)));
    });
    for (const QString &text : texts)
        seen[0].push_back(keysOf(FoldedText(text, FoldMode::Turkic)));
    other.join();
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::vector<uint32_t> reference = keysOf(FoldedText(texts[i], FoldMode::Turkic, FoldedText::Route::IcuOnly));
        EXPECT_EQ(seen[0][i], reference) << describe(texts[i]);
        EXPECT_EQ(seen[1][i], reference) << describe(texts[i]);
    }
}

} // namespace
} // namespace tavolin
