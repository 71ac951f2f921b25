// Menu titles and key bindings as an application hands them over the accessibility bus, and what a person
// types: folded, transliterated and scored, never crash; scores stay in [0, 1], and the row pre-filter only
// rules out rows the search would not list.
// Input: title, NUL, typed text, NUL, a menu's title, NUL, a GTK key binding, NUL, a Qt key binding.
#include "FuzzSupport.h"

#include "palette/FuzzyScore.h"
#include "palette/MenuItemData.h"
#include "palette/SearchUtils.h"
#include "palette/TextFolding.h"
#include "palette/Transliteration.h"
#include "platform/linux/X11Keys.h"

using namespace tavolin;

namespace {

void scoreTexts(const QString &title, const QString &typed)
{
    for (const FoldMode mode : {FoldMode::Default, FoldMode::Turkic}) {
        const FoldedText text(title, mode);
        const FoldedText word(typed, mode);
        const double score = fuzzyScore(text, word, 0.2);
        fuzz::require(score >= 0 && score <= 1, "a score is in [0, 1]", title + QLatin1Char('|') + typed);
        fuzz::require(score <= fuzzyScoreBound(text.span(), word.span(), 0.2) + 1e-9,
                      "a score never exceeds its bound", title + QLatin1Char('|') + typed);
        (void)fuzzyScore(text, word, std::nullopt);
        (void)containsIgnoringCase(text, word);
        (void)startsWithFolded(text, word);
    }
    (void)toLatin(title);
    (void)trimmedOfControls(title);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    const QList<QByteArray> parts = fuzz::splitInput(data, size, 5);
    const QString title = QString::fromUtf8(parts.at(0));
    const QString typed = QString::fromUtf8(parts.at(1));
    const QString menu = QString::fromUtf8(parts.at(2));
    scoreTexts(title, typed);

    std::optional<KeyData> key = x11::keyDataFromGtkKeyBinding(QString::fromUtf8(parts.at(3)));
    if (const std::optional<KeyData> qtKey = x11::keyDataFromQtKeyBinding(QString::fromUtf8(parts.at(4)), title); !key)
        key = qtKey;
    if (key)
        (void)key->displayText();

    SearchUtils search;
    MenuItemData row(title, QStringList{menu}, false, key, QStringLiteral("mousepad"));
    const FoldedText keyword(typed, search.foldMode());
    const double score = search.rowScore(keyword, row);
    const RowPrefilter filter(search, typed);
    const QString rowTitle = row.title();
    const QString rowMenu = row.path().value(0);
    const QStringView path[] = {QStringView(rowMenu)};
    if (!row.path().isEmpty() && !filter.mayList(rowTitle, path))
        fuzz::require(score <= search.threshold, "the pre-filter rules out only rows the search leaves out",
                      title + QLatin1Char('|') + typed + QLatin1Char('|') + menu);
    (void)search.search(typed, {std::make_shared<MenuItemData>(title, QStringList{menu}, true, key, QString())});
    return 0;
}
