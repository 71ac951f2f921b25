// Text already in Latin letters is transliterated from a per-character table instead of ICU: it must give
// exactly what ICU gives.
#include "palette/Transliteration.h"

#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavolin {
namespace {

using test::describe;

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

// Texts with characters outside the table go to ICU whole; they must come out the same either way, and an
// unchanged text is handed back as it came.
TEST(LatinTable, TextsBeyondTheTableStillMatchIcu)
{
    for (const char16_t *mixed : {u"Préférences…", u"Cafe\u0301 noir", u"Édition Файл", u"Ouvrir 文件",
                                  u"Tệp tin Chỉnh sửa", u"Größe µ Ω", u"Ærø – “quoted”"}) {
        const QString text = QString::fromUtf16(mixed);
        const QString latin = toLatin(text);
        EXPECT_EQ(latin, toLatinWithIcu(text)) << describe(text);
        if (latin == text) {
            EXPECT_TRUE(latin.isSharedWith(text)) << describe(text);
        }
    }
}

} // namespace
} // namespace tavolin
