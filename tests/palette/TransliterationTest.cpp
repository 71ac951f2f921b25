#include "palette/Transliteration.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

struct LatinCase
{
    const char *name;
    const char16_t *text;
    const char16_t *expected;
};

class ToLatinTable : public ::testing::TestWithParam<LatinCase>
{
};

TEST_P(ToLatinTable, GivesPlainLatinLetters)
{
    const LatinCase &c = GetParam();
    EXPECT_EQ(toLatin(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ToLatinTable,
    ::testing::Values(LatinCase{"PlainAsciiUnchanged", u"Save As…", u"Save As…"},
                      LatinCase{"AccentsStripped", u"Éditer la sélection", u"Editer la selection"},
                      LatinCase{"Cyrillic", u"Файл", u"Fajl"},
                      LatinCase{"Greek", u"Αρχείο", u"Archeio"},
                      LatinCase{"HanWithoutToneMarks", u"文件", u"wen jian"},
                      LatinCase{"Empty", u"", u""}),
    [](const auto &info) { return std::string(info.param.name); });

struct TrimCase
{
    const char *name;
    const char16_t *text;
    const char16_t *expected;
};

class TrimmedOfControlsTable : public ::testing::TestWithParam<TrimCase>
{
};

TEST_P(TrimmedOfControlsTable, TrimsOnlyTheEnds)
{
    const TrimCase &c = GetParam();
    EXPECT_EQ(trimmedOfControls(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TrimmedOfControlsTable,
    ::testing::Values(TrimCase{"TrailingNewline", u"Save\n", u"Save"},
                      TrimCase{"LeadingTabAndBidiMark", u"\t\u200eOpen", u"Open"},
                      TrimCase{"NoncharacterAtEnd", u"Close\uffff", u"Close"},
                      TrimCase{"SpacesAreKept", u" Print ", u" Print "},
                      TrimCase{"InnerControlKept", u"A\tB", u"A\tB"},
                      TrimCase{"OnlyControls", u"\n\r\u0001", u""},
                      TrimCase{"EmojiKept", u"Party 🎉", u"Party 🎉"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TrimmedOfControls, LoneSurrogateAtEndIsDropped)
{
    QString text = QStringLiteral("Undo");
    text.append(QChar(0xD800));
    EXPECT_EQ(trimmedOfControls(text), QStringLiteral("Undo"));
}

} // namespace
} // namespace tavolin
