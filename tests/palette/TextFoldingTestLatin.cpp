// Text already in Latin letters is transliterated from a per-character table instead of ICU: it must give
// exactly what ICU gives.
#include "palette/Transliteration.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavolin {
namespace {

std::string describe(const QString &text)
{
    std::string out;
    for (QChar c : text)
        out += "U+" + QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0').toStdString() + " ";
    return out;
}

bool inTable(char16_t c)
{
    return c < 0x250 || (c >= 0x1e00 && c < 0x1f00) || (c >= 0x2000 && c < 0x2070);
}

TEST(LatinTable, EveryCharacterAloneMapsAsIcuMapsIt)
{
    for (char16_t c = 0x80; c < 0x2070; ++c) {
        if (!inTable(c))
            continue;
        const QString text{QChar(c)};
        ASSERT_EQ(toLatin(text), toLatinWithIcu(text)) << describe(text);
    }
}

TEST(LatinTable, GeneratedLatinTextsMapAsIcuMapsThem)
{
    const std::u16string pool =
        u"abcXYZ 019.,-()…•–—‘’“”«»¡¿°·ªº²¼ßæÆøØðÐþÞœŒłŁđĐıİĳǅǆ"
        u"àáâãäåçèéêëìíîïñòóôõöùúûüýÿÀÉÎÕÜŸāăąćčďēėęěğģīįķĺľńňőŕřśşšţťůűųźżžơưǎǐǒǔǘȁȃȧȫ"
        u"ḁḃḋḟḡḣḱḿṗṙṡṫẁẃẅẋẏẑạảấầẩẫậắằẳẵặẹẻẽếềểễệỉịọỏốồổỗộớờởỡợụủứừửữựỳỵỷỹ\u00a0\u00ad\u200b\u2060";
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::u16string text;
        const int length = int(random() % 12);
        for (int j = 0; j < length; ++j)
            text += pool[random() % pool.size()];
        const QString latin = QString::fromStdU16String(text);
        ASSERT_EQ(toLatin(latin), toLatinWithIcu(latin)) << describe(latin);
    }
}

struct MixedCase
{
    const char *name;
    const char16_t *text;
};

class LatinTableMixed : public ::testing::TestWithParam<MixedCase>
{
};

// Texts with characters outside the table go to ICU whole; they must come out the same either way.
TEST_P(LatinTableMixed, TextsBeyondTheTableStillMatchIcu)
{
    const QString text = QString::fromUtf16(GetParam().text);
    EXPECT_EQ(toLatin(text), toLatinWithIcu(text)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LatinTableMixed,
    ::testing::Values(MixedCase{"AccentsStripped", u"Préférences…"},
                      MixedCase{"CombiningMarkAfterLatin", u"Cafe\u0301 noir"},
                      MixedCase{"LatinThenCyrillic", u"Édition Файл"},
                      MixedCase{"LatinThenHan", u"Ouvrir 文件"},
                      MixedCase{"Vietnamese", u"Tệp tin Chỉnh sửa"},
                      MixedCase{"GreekLetterAmongLatin", u"Größe µ Ω"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LatinTable, UnchangedTextIsReturnedAsIs)
{
    const QString text = QString::fromUtf16(u"Ærø – “quoted”");
    const QString latin = toLatin(text);
    EXPECT_EQ(latin, toLatinWithIcu(text));
    if (latin == text) {
        EXPECT_TRUE(latin.isSharedWith(text));
    }
}

} // namespace
} // namespace tavolin
