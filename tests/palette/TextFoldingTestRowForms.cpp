// A row's search forms are folded straight into one block from reused buffers; they must hold exactly the
// keys of the texts they stand for, built the plain way (joined strings, a regular expression, FoldedText).
#include "palette/MenuItemData.h"
#include "palette/SearchUtils.h"
#include "palette/Transliteration.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

void noRules()
{
    MenuItemData::setIgnorableOptionLookup([](const QString &, const QString &) { return std::optional<int64_t>(); });
}

std::vector<uint32_t> keysOf(const FoldedSpan &span)
{
    return {span.foldKeys, span.foldKeys + span.size};
}

void expectSpanIs(const FoldedSpan &span, const QString &text, FoldMode mode, const char *form)
{
    const FoldedText reference(text, mode, FoldedText::Route::IcuOnly);
    ASSERT_EQ(span.size, reference.size()) << form;
    EXPECT_EQ(keysOf(span), std::vector<uint32_t>(reference.foldKeys(), reference.foldKeys() + reference.size())) << form;
    EXPECT_EQ(std::vector<uint32_t>(span.caseKeys, span.caseKeys + span.size),
              std::vector<uint32_t>(reference.caseKeys(), reference.caseKeys() + reference.size())) << form;
    EXPECT_EQ(std::vector<uint32_t>(span.exactKeys, span.exactKeys + span.size),
              std::vector<uint32_t>(reference.exactKeys(), reference.exactKeys() + reference.size())) << form;
    EXPECT_EQ(span.mask, reference.mask()) << form;
    EXPECT_EQ(span.firstDefaultKey, reference.firstDefaultKey()) << form;
}

TEST(RowForms, HoldTheKeysOfTheTextsTheyStandForAndPathMasksComeFirst)
{
    const struct { const char *name; const char16_t *title; std::vector<const char16_t *> path; } cases[] = {
        {"plain ASCII", u"Save As…", {u"File"}},
        {"every word punctuation", u"Print-Preview_(a+b)'x\"y\\z/w", {}},
        {"accented path element", u"Enregistrer", {u"Fichier", u"Édition"}},
        {"Cyrillic title and path", u"Файл-Правка", {u"Меню"}},
        {"Turkish capital I", u"İçe Aktar", {u"Dosya", u"Içerik"}},
        {"combining mark after the joining space", u"\u0301x", {u"a"}},
        {"emoji and CR LF", u"Party 🎉\r\nNow", {u"Fun"}},
        {"empty title", u"", {u"Edit"}},
    };
    noRules();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString title = QString::fromUtf16(c.title);
        QStringList path;
        QStringList latinPath;
        for (const char16_t *element : c.path) {
            path.append(QString::fromUtf16(element));
            latinPath.append(toLatin(path.last()));
        }
        QString spaced = title;
        spaced.replace(QRegularExpression(QStringLiteral("[-_+()'\"\\\\/]")), QStringLiteral(" "));
        const QString latin = toLatin(title);
        const QString full = path.join(u' ') + u' ' + title;
        const QString latinFull = latinPath.join(u' ') + u' ' + title;

        for (FoldMode mode : {FoldMode::Default, FoldMode::Turkic}) {
            MenuItemData row(title, path, false, std::nullopt, QString());
            const RowSearchForms &forms = row.searchForms(mode);
            expectSpanIs(forms.title, title, mode, "title");
            ASSERT_EQ(forms.plainAlt.has_value(), spaced != title);
            if (forms.plainAlt)
                expectSpanIs(*forms.plainAlt, spaced, mode, "plainAlt");
            ASSERT_EQ(forms.latinTitle.has_value(), latin != title);
            if (forms.latinTitle)
                expectSpanIs(*forms.latinTitle, latin, mode, "latinTitle");
            expectSpanIs(forms.full, full, mode, "full");
            ASSERT_EQ(forms.latinFull.has_value(), latinFull != full);
            if (forms.latinFull)
                expectSpanIs(*forms.latinFull, latinFull, mode, "latinFull");
        }

        // Title forms first: texts that need ICU are folded at once, the rest wait for a search that needs them.
        MenuItemData row(title, path, false, std::nullopt, QString());
        const RowSearchForms &early = row.titleForms(FoldMode::Default);
        EXPECT_EQ(early.pathFormsBuilt, !foldsWithoutIcu(full) || (latinFull != full && !foldsWithoutIcu(latinFull)));
        EXPECT_EQ(early.fullMask, FoldedText(full, FoldMode::Default).mask());
        EXPECT_EQ(early.hasLatinFull, latinFull != full);
        if (early.hasLatinFull) {
            EXPECT_EQ(early.latinFullMask, FoldedText(latinFull, FoldMode::Default).mask());
        }
        const RowSearchForms &all = row.searchForms(FoldMode::Default);
        EXPECT_EQ(&all, &early);
        EXPECT_TRUE(all.pathFormsBuilt);
        expectSpanIs(all.full, full, FoldMode::Default, "full");
        // The title forms moved with the block when the path forms joined it.
        expectSpanIs(all.title, title, FoldMode::Default, "title after the path forms");
        if (all.latinTitle) {
            expectSpanIs(*all.latinTitle, latin, FoldMode::Default, "latinTitle after the path forms");
        }
        EXPECT_EQ(all.latinFull.has_value(), latinFull != full);
    }
}

// The search skips folding a path form whose mask lacks a keyword character; scores must not depend on
// whether the forms were folded before.
TEST(RowForms, ScoresDoNotDependOnWhenPathFormsAreFolded)
{
    noRules();
    const std::vector<std::pair<QString, QStringList>> rows = {
        {u"Save As…"_qs, {u"File"_qs}},
        {u"Zoom In"_qs, {u"View"_qs, u"Zoom"_qs}},
        {u"Next"_qs, {u"Search"_qs, u"Find"_qs}},
        {u"Enregistrer"_qs, {u"Fichier"_qs, u"Édition"_qs}},
        {u"Файл"_qs, {u"Меню"_qs, u"Правка"_qs}},
        {u"x"_qs, {u"Preferences"_qs}},
        {u"\u0301x"_qs, {u"a"_qs}},
    };
    SearchUtils search;
    for (const QString &keyword : {u"save as"_qs, u"zoom"_qs, u"fnd nxt"_qs, u"edition"_qs, u"pravka"_qs,
                                   u"preferences"_qs, u"fichier enr"_qs, u"q"_qs}) {
        const FoldedText folded(keyword, search.foldMode());
        for (const auto &[title, path] : rows) {
            MenuItemData lazy(title, path, false, std::nullopt, QString());
            MenuItemData built(title, path, false, std::nullopt, QString());
            built.searchForms(search.foldMode());
            EXPECT_DOUBLE_EQ(search.rowScore(folded, lazy), search.rowScore(folded, built))
                << keyword.toStdString() << " / " << title.toStdString();
        }
    }
}

TEST(RowPath, SiblingsShareOnePathWithItsLatinFormAndLabel)
{
    noRules();
    const RowPathPtr shared = RowPath::make({u"Fichier"_qs, u"Édition"_qs});
    MenuItemData copy(u"Copier"_qs, shared, false, std::nullopt, QString());
    MenuItemData paste(u"Coller"_qs, shared, true, std::nullopt, QString());
    EXPECT_EQ(copy.rowPath(), paste.rowPath());
    EXPECT_EQ(paste.path(), (QStringList{u"Fichier"_qs, u"Édition"_qs}));
    EXPECT_EQ(paste.latinPath(), (QStringList{u"Fichier"_qs, u"Edition"_qs}));
    EXPECT_EQ(paste.secondaryLabel(), u"Fichier \u2022 Édition"_qs);
    EXPECT_TRUE(paste.isChecked());

    MenuItemData top(u"File"_qs, RowPathPtr(), false, std::nullopt, QString()); // a null path is the top level
    ASSERT_TRUE(top.rowPath());
    EXPECT_TRUE(top.path().isEmpty());
    EXPECT_TRUE(top.latinPath().isEmpty());
    EXPECT_EQ(top.secondaryLabel(), QString());
}

// A path's masks stand in for folding the joined path: they must be what folding the join gives.
TEST(RowPath, MasksAreThoseOfTheJoinedElements)
{
    const struct { QStringList path; bool withoutIcu; } cases[] = {
        {{}, true},
        {{u"File"_qs, u"Recent Files"_qs}, true},
        {{u"Fichier"_qs, u"Édition"_qs}, true},
        {{u"Dosya"_qs, u"İçerik"_qs, u"Izgara"_qs}, true},
        {{u"Файл"_qs}, true},
        {{u"Cafe\u0301"_qs}, false},
    };
    for (const auto &c : cases) {
        const RowPathPtr path = RowPath::make(c.path);
        QStringList latin;
        for (const QString &element : c.path)
            latin.append(toLatin(element));
        EXPECT_EQ(path->latinJoinDiffers(), latin.join(u' ') != c.path.join(u' ')) << c.path.join(u'/').toStdString();
        for (FoldMode mode : {FoldMode::Default, FoldMode::Turkic}) {
            const std::optional<uint64_t> mask = path->foldMask(mode);
            ASSERT_EQ(mask.has_value(), c.withoutIcu) << c.path.join(u'/').toStdString();
            if (!mask)
                continue;
            EXPECT_EQ(*mask, FoldedText(c.path.join(u' ') + u' ', mode).mask()) << c.path.join(u'/').toStdString();
            EXPECT_EQ(*path->latinFoldMask(mode), FoldedText(latin.join(u' ') + u' ', mode).mask());
        }
    }
}

} // namespace
} // namespace tavolin
