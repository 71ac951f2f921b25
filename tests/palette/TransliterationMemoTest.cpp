// Text in other scripts is cut into parts at some spaces, and each part's transliteration is kept in a bounded
// memo: whatever the text, the threads or the memo's state, it must give exactly what ICU gives for the whole.
#include "PaletteTestSupport.h"

#include "palette/Transliteration.h"

#include <gtest/gtest.h>

#include <future>
#include <random>
#include <string>
#include <vector>

namespace tavolin {
namespace {

using test::describe;

struct Range { char32_t first; char32_t last; };

// Code points the generated texts draw from, by script, with the characters ICU treats by context among
// them: iteration marks and the prolonged sound mark (Japanese), final sigma (Greek), combining marks
// (Arabic, Devanagari), CJK punctuation of the Common script, letters of the Common script ("〆").
const std::vector<Range> kHan{{0x4e00, 0x9fff}, {0x3000, 0x303f}};
const std::vector<Range> kKana{{0x3041, 0x309f}, {0x30a0, 0x30ff}, {0xff61, 0xff9f}};
const std::vector<Range> kCyrillic{{0x0400, 0x04ff}};
const std::vector<Range> kGreek{{0x0370, 0x03ff}, {0x1f00, 0x1fff}};
const std::vector<Range> kArabic{{0x0600, 0x06ff}};
const std::vector<Range> kOthers{{0xac00, 0xd7a3}, {0x1100, 0x11ff}, {0x0900, 0x097f}, {0x0e00, 0x0e7f},
                                 {0x05d0, 0x05ea}, {0x0531, 0x058f}, {0x10a0, 0x10ff}};
const std::vector<Range> kLatinAndCommon{{0x41, 0x5a}, {0x61, 0x7a}, {0x21, 0x40}, {0xc0, 0x17f}, {0x300, 0x36f},
                                         {0x2000, 0x206f}, {0xff01, 0xff5e}, {0x1f600, 0x1f64f}};

struct ScriptCase
{
    const char *name;
    std::vector<std::vector<Range>> pools; // a word may switch to any of them
};

const ScriptCase kScripts[] = {
    {"Chinese", {kHan}},
    {"Japanese", {kKana, kHan}},
    {"Cyrillic", {kCyrillic}},
    {"Greek", {kGreek}},
    {"Arabic", {kArabic}},
    {"other scripts", {kOthers}},
    {"mixed with Latin and Common", {kHan, kKana, kCyrillic, kGreek, kArabic, kOthers, kLatinAndCommon}},
};

// Texts of up to 14 characters, about one in four a space (so doubled, leading and trailing spaces occur),
// each character from the current pool, which switches now and then.
std::vector<QString> generateTexts(const ScriptCase &c, int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<QString> texts;
    texts.reserve(size_t(count));
    for (int n = 0; n < count; ++n) {
        std::u32string text;
        const std::vector<Range> *pool = &c.pools[random() % c.pools.size()];
        const int length = 1 + int(random() % 14);
        for (int i = 0; i < length; ++i) {
            if (random() % 4 == 0) {
                text += U' ';
                continue;
            }
            if (random() % 5 == 0)
                pool = &c.pools[random() % c.pools.size()];
            const Range &range = (*pool)[random() % pool->size()];
            text += char32_t(range.first + random() % (range.last - range.first + 1));
        }
        texts.push_back(QString::fromStdU32String(text));
    }
    return texts;
}

TEST(TransliterationMemo, GivesWhatIcuGivesForTheWholeText)
{
    for (const ScriptCase &script : kScripts) {
        const std::vector<QString> texts = generateTexts(script, 3000, 11);
        // Twice: the first pass fills the memo, the second reads it back.
        for (int pass = 0; pass < 2; ++pass) {
            for (const QString &text : texts)
                ASSERT_EQ(toLatin(text), toLatinWithIcu(text)) << script.name << " pass " << pass << ": " << describe(text);
        }
    }
}

TEST(TransliterationMemo, GivesTheSameOnThreadsSharingIt)
{
    for (const ScriptCase &script : kScripts) {
        SCOPED_TRACE(script.name);
        const std::vector<QString> texts = generateTexts(script, 1500, 23);
        std::vector<QString> expected;
        for (const QString &text : texts)
            expected.push_back(toLatinWithIcu(text));
        std::vector<std::future<qsizetype>> mismatches;
        for (int thread = 0; thread < 4; ++thread) {
            mismatches.push_back(std::async(std::launch::async, [&texts, &expected, thread] {
                qsizetype wrong = 0;
                for (size_t i = 0; i < texts.size(); ++i) {
                    const size_t at = (i + size_t(thread) * 97) % texts.size();
                    wrong += toLatin(texts[at]) == expected[at] ? 0 : 1;
                }
                return wrong;
            }));
        }
        for (auto &wrong : mismatches)
            EXPECT_EQ(wrong.get(), 0);
    }
}

// More distinct words than the memo keeps: parts forgotten to stay within bounds are computed again, right.
TEST(TransliterationMemoBound, ManyDistinctWordsStayRight)
{
    std::vector<QString> words;
    for (char32_t c = 0x4e00; c < 0x4e00 + 20000; c += 1) {
        const char32_t pair[] = {c, char32_t(0x9fff - (c - 0x4e00)), U' ', U'Ж', char32_t(0x4e00 + (c * 7) % 20000)};
        words.push_back(QString::fromStdU32String(std::u32string(pair, 5)));
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < words.size(); i += pass == 0 ? 1 : 13)
            ASSERT_EQ(toLatin(words[i]), toLatinWithIcu(words[i])) << describe(words[i]);
    }
}

} // namespace
} // namespace tavolin
