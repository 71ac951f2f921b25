#include "palette/Transliteration.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

struct TextCase { const char *name; const char16_t *text; const char16_t *expected; };

TEST(Transliteration, ToLatinGivesPlainLatinLetters)
{
    const TextCase cases[] = {
        {"plain ASCII unchanged", u"Save As…", u"Save As…"},
        {"accents stripped", u"Éditer la sélection", u"Editer la selection"},
        {"Cyrillic", u"Файл", u"Fajl"},
        {"Greek", u"Αρχείο", u"Archeio"},
        {"Han without tone marks", u"文件", u"wen jian"},
        {"empty", u"", u""},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(toLatin(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected)) << c.name;
}

TEST(Transliteration, TrimmedOfControlsTrimsOnlyTheEnds)
{
    const TextCase cases[] = {
        {"trailing newline", u"Save\n", u"Save"},
        {"leading tab and bidi mark", u"\t\u200eOpen", u"Open"},
        {"noncharacter at the end", u"Close\uffff", u"Close"},
        {"spaces are kept", u" Print ", u" Print "},
        {"inner control kept", u"A\tB", u"A\tB"},
        {"only controls", u"\n\r\u0001", u""},
        {"emoji kept", u"Party 🎉", u"Party 🎉"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(trimmedOfControls(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected)) << c.name;
    EXPECT_EQ(trimmedOfControls(u"Undo"_qs + QChar(0xD800)), u"Undo"_qs) << "lone surrogate at the end";
}

} // namespace
} // namespace tavolin
