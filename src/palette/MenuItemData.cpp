#include "MenuItemData.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXMenuItem.h"
#include "accessibility/LocaleUtils.h"
#include "common/Log.h"
#include "common/Mutex.h"
#include "palette/Transliteration.h"

#include <algorithm>
#include <string>

namespace tavolin {
namespace {

const QString kPathSeparator = QStringLiteral(" \u2022 ");

struct Hooks
{
    Mutex mutex;
    std::shared_ptr<const MenuItemData::IgnorableOption> ignorableOption GUARDED_BY(mutex);
    std::shared_ptr<const MenuItemData::PerformedSink> performedSink GUARDED_BY(mutex);
    std::shared_ptr<const MenuItemData::PressFailedSink> pressFailedSink GUARDED_BY(mutex);
};

Hooks &hooks()
{
    static Hooks h;
    return h;
}

// Logs what a press of the row titled `title` came to and tells the user when it did not reach the item.
// Runs on whatever thread the outcome arrives on.
void reportPressOutcome(const QString &title, AXError outcome)
{
    log::info(QStringLiteral("result for menu execution is %1").arg(static_cast<int>(outcome)));
    if (outcome == AXError::Success)
        return;
    const QString why = AXMenuItem::failureText(outcome);
    log::error(QStringLiteral("cannot perform \"%1\": %2").arg(title, why));
    std::shared_ptr<const MenuItemData::PressFailedSink> sink;
    {
        MutexLocker lock(hooks().mutex);
        sink = hooks().pressFailedSink;
    }
    if (sink && *sink)
        (*sink)(title, why);
}

std::optional<int64_t> ignorableOptionFor(const QString &title, const QString &appKey)
{
    std::shared_ptr<const MenuItemData::IgnorableOption> lookup;
    {
        MutexLocker lock(hooks().mutex);
        lookup = hooks().ignorableOption;
    }
    if (lookup)
        return (*lookup)(title, appKey);
    return std::nullopt;
}

// The title with each such punctuation character replaced by a space; the title itself (shared, not
// copied) when it has none.
QString spacedPunctuation(const QString &title)
{
    const auto first = std::find_if(title.cbegin(), title.cend(), isWordPunctuation);
    if (first == title.cend())
        return title;
    QString spaced = title;
    for (auto it = spaced.begin() + (first - title.cbegin()); it != spaced.end(); ++it) {
        if (isWordPunctuation(*it))
            *it = QLatin1Char(' ');
    }
    return spaced;
}

QString joinedForm(const QStringList &path, const QString &title)
{
    return path.join(QLatin1Char(' ')) + QLatin1Char(' ') + title;
}

// joinedForm() written into `out` (reused between rows, so building a form
// allocates nothing once the buffer has grown).
void joinForm(const QStringList &path, const QString &title, std::u16string &out)
{
    out.clear();
    for (const QString &element : path) {
        out.append(reinterpret_cast<const char16_t *>(element.utf16()), size_t(element.size()));
        out.push_back(u' ');
    }
    if (path.isEmpty())
        out.push_back(u' ');
    out.append(reinterpret_cast<const char16_t *>(title.utf16()), size_t(title.size()));
}

} // namespace

namespace {

// The fold mask of `elements` joined by spaces, with one space more; none when an element needs ICU.
std::optional<uint64_t> joinedFoldMask(const QStringList &elements, FoldMode mode)
{
    uint64_t mask = foldMaskBit(u' ');
    for (const QString &element : elements) {
        const std::optional<uint64_t> elementMask = foldedMaskWithoutIcu(element, mode);
        if (!elementMask)
            return std::nullopt;
        mask |= *elementMask;
    }
    return mask;
}

} // namespace

RowPath::RowPath(QStringList path, QStringList latinPath)
    : m_path(std::move(path)), m_latinPath(std::move(latinPath))
{
    if (!m_path.isEmpty())
        m_secondaryLabel = m_path.join(kPathSeparator);
    m_defaultMask = joinedFoldMask(m_path, FoldMode::Default);
    // Joins can be equal although elements differ ("a b"+"c" and "a"+"b c"): compare the joins.
    m_latinJoinDiffers = m_latinPath != m_path && m_latinPath.join(u' ') != m_path.join(u' ');
    m_latinDefaultMask = m_latinJoinDiffers ? joinedFoldMask(m_latinPath, FoldMode::Default) : m_defaultMask;
}

std::optional<uint64_t> RowPath::foldMask(FoldMode mode) const
{
    return mode == FoldMode::Default ? m_defaultMask : joinedFoldMask(m_path, mode);
}

std::optional<uint64_t> RowPath::latinFoldMask(FoldMode mode) const
{
    return mode == FoldMode::Default ? m_latinDefaultMask : joinedFoldMask(m_latinPath, mode);
}

RowPathPtr RowPath::make(const QStringList &path)
{
    if (path.isEmpty()) {
        static const RowPathPtr empty(new RowPath({}, {}));
        return empty;
    }
    QStringList latinPath;
    latinPath.reserve(path.size());
    for (const QString &element : path)
        latinPath.append(toLatin(element));
    return RowPathPtr(new RowPath(path, std::move(latinPath)));
}

RowPathPtr RowPath::under(const RowPath &parentPath, const QString &parentTitle)
{
    return RowPathPtr(new RowPath(parentPath.path() + QStringList{parentTitle},
                                  parentPath.latinPath() + QStringList{toLatin(parentTitle)}));
}

MenuItemData::MenuItemData(const QString &title, const QStringList &path, bool isChecked,
                           std::optional<KeyData> shortcut, const QString &appKey)
    : RowData(&MenuItemData::pressLiveItem)
{
    init(title, RowPath::make(path), isChecked, std::move(shortcut), appKey);
}

MenuItemData::MenuItemData(const QString &title, RowPathPtr path, bool isChecked, std::optional<KeyData> shortcut,
                           const QString &appKey)
    : RowData(&MenuItemData::pressLiveItem)
{
    init(title, path ? std::move(path) : RowPath::make({}), isChecked, std::move(shortcut), appKey);
}

MenuItemData::MenuItemData(const QString &title, bool hasSubmenu, std::optional<KeyData> shortcut,
                           const MenuItemData *parent, const QString &appKey)
    : RowData(&MenuItemData::pressLiveItem)
{
    init(title, parent ? RowPath::under(*parent->m_rowPath, parent->title()) : RowPath::make({}), false,
         std::move(shortcut), appKey);
    setExpands(hasSubmenu);
}

MenuItemData::MenuItemData(AXMenuItemPtr ref, const MenuItemData *parent, const QString &appKey)
    : MenuItemData(trimmedOfControls(ref->title().value_or(QString())),
                   ref->submenu() && !ref->submenu()->items().empty(), ref->shortcut(), parent, appKey)
{
    m_isChecked = ref->checked();
    m_isEnabled = ref->enabled();
    m_ref = std::move(ref);
}

void MenuItemData::init(const QString &title, RowPathPtr path, bool isChecked, std::optional<KeyData> shortcut,
                        const QString &appKey)
{
    RowData::setTitle(title);
    m_rowPath = std::move(path);
    m_isChecked = isChecked;
    m_shortcut = std::move(shortcut);
    // Option 1 hides only the item's descendants (the provider does that); 2 never reaches a row.
    const std::optional<int64_t> option = ignorableOptionFor(title, appKey);
    m_isSelfHidden = option && *option != 1;
}

bool MenuItemData::pressLiveItem(RowData &row)
{
    auto *self = dynamic_cast<MenuItemData *>(&row);
    if (!self || !self->m_ref)
        return true;
    const QString title = self->title();
    const AXError result = self->m_ref->press([title](AXError outcome) { reportPressOutcome(title, outcome); });
    if (result != AXError::Success)
        reportPressOutcome(title, result);
    std::shared_ptr<const PerformedSink> sink;
    {
        MutexLocker lock(hooks().mutex);
        sink = hooks().performedSink;
    }
    if (sink && *sink)
        (*sink)(*self);
    return true;
}

const QString &MenuItemData::latinTitle()
{
    if (!m_latinTitle) {
        const QString latin = toLatin(title());
        m_latinTitle = latin == title() ? QString() : latin;
    }
    return *m_latinTitle;
}

void MenuItemData::setEnTitle(std::optional<QString> title)
{
    m_enTitle = std::move(title);
    if (m_searchForms) {
        m_searchForms->english.reset();
        if (m_enTitle) {
            m_searchForms->english = std::make_unique<RowSearchForms::English>();
            m_searchForms->english->title = FoldedText(*m_enTitle, m_searchForms->mode);
        }
    }
}

const QStringList &MenuItemData::enPath()
{
    if (!m_ref) {
        static const QStringList empty;
        return m_enPath ? *m_enPath : empty;
    }
    if (!m_enPath) {
        const std::shared_ptr<const LocaleUtils::Map> dict = LocaleUtils::localeDict();
        QStringList english;
        english.reserve(path().size());
        for (const QString &element : path()) {
            auto it = dict->constFind(element);
            if (it == dict->constEnd())
                it = dict->constFind(QString(element).remove(QChar(0x2026)));
            english.append(it != dict->constEnd() ? it.value() : element);
        }
        m_enPath = std::move(english);
    }
    return *m_enPath;
}

const RowSearchForms &MenuItemData::searchForms(FoldMode mode)
{
    return ensureSearchForms(mode);
}

const RowSearchForms &MenuItemData::titleForms(FoldMode mode)
{
    return ensureTitleForms(mode);
}

RowSearchForms &MenuItemData::ensureSearchForms(FoldMode mode)
{
    RowSearchForms &forms = ensureTitleForms(mode);
    if (!forms.pathFormsBuilt)
        buildPathForms(forms);
    return forms;
}

namespace {

// The path forms of a row, joined in buffers reused between rows (so this allocates nothing once they have
// grown). Valid until the next call on the same thread.
struct JoinedPathForms
{
    QStringView full;
    std::optional<QStringView> latinFull; // none when equal to full
};

JoinedPathForms joinPathForms(const RowPath &path, const QString &title)
{
    thread_local std::u16string full;
    thread_local std::u16string latinFull;
    joinForm(path.path(), title, full);
    JoinedPathForms forms{QStringView(full.data(), qsizetype(full.size())), std::nullopt};
    if (path.latinJoinDiffers()) {
        joinForm(path.latinPath(), title, latinFull);
        forms.latinFull = QStringView(latinFull.data(), qsizetype(latinFull.size()));
    }
    return forms;
}

} // namespace

RowSearchForms &MenuItemData::ensureTitleForms(FoldMode mode)
{
    if (m_searchForms && m_searchForms->mode == mode)
        return *m_searchForms;
    auto forms = std::make_unique<RowSearchForms>();
    forms->mode = mode;
    if (m_enTitle) {
        forms->english = std::make_unique<RowSearchForms::English>();
        forms->english->title = FoldedText(*m_enTitle, mode);
    }

    const QString &text = title();
    const QString plain = spacedPunctuation(text);
    const bool hasPlain = plain != text;
    const QString &latin = latinTitle();
    // Keys never outnumber code units: one reservation holds every title form.
    std::vector<uint32_t> &block = forms->block;
    block.reserve(3 * (size_t(text.size()) * (hasPlain ? 2 : 1) + size_t(latin.size())));
    const FoldedRange title = appendFoldedKeys(text, mode, block);
    const std::optional<FoldedRange> plainAlt =
        hasPlain ? std::optional(appendFoldedKeys(plain, mode, block)) : std::nullopt;
    const std::optional<FoldedRange> latinTitleRange =
        latin.isEmpty() ? std::nullopt : std::optional(appendFoldedKeys(latin, mode, block));
    forms->title = title.spanIn(block);
    if (plainAlt)
        forms->plainAlt = plainAlt->spanIn(block);
    if (latinTitleRange)
        forms->latinTitle = latinTitleRange->spanIn(block);

    // The path forms' masks from the path's and the title's, when every piece folds without ICU (each code
    // unit then stays a cluster across the joining spaces); else fold the forms now.
    const RowPath &rowPath = *m_rowPath;
    forms->hasLatinFull = rowPath.latinJoinDiffers();
    const std::optional<uint64_t> pathMask = title.withoutIcu ? rowPath.foldMask(mode) : std::nullopt;
    const std::optional<uint64_t> latinPathMask =
        pathMask && forms->hasLatinFull ? rowPath.latinFoldMask(mode) : pathMask;
    m_searchForms = std::move(forms);
    if (pathMask && latinPathMask) {
        m_searchForms->fullMask = *pathMask | title.mask;
        m_searchForms->latinFullMask = m_searchForms->hasLatinFull ? *latinPathMask | title.mask : 0;
    } else {
        buildPathForms(*m_searchForms);
    }
    return *m_searchForms;
}

void MenuItemData::buildPathForms(RowSearchForms &forms)
{
    const JoinedPathForms joined = joinPathForms(*m_rowPath, title());
    // The path keys join the title keys in one block, so a warm search reads one run of memory per row;
    // the title spans move with the block.
    std::vector<uint32_t> &block = forms.block;
    FoldedSpan *const titleSpans[] = {&forms.title, forms.plainAlt ? &*forms.plainAlt : nullptr,
                                      forms.latinTitle ? &*forms.latinTitle : nullptr};
    ptrdiff_t offsets[std::size(titleSpans)] = {};
    for (size_t i = 0; i < std::size(titleSpans); ++i)
        offsets[i] = titleSpans[i] && titleSpans[i]->foldKeys ? titleSpans[i]->foldKeys - block.data() : -1;
    block.reserve(block.size() + 3 * size_t(joined.full.size() + (joined.latinFull ? joined.latinFull->size() : 0)));
    for (size_t i = 0; i < std::size(titleSpans); ++i) {
        if (offsets[i] < 0)
            continue;
        FoldedSpan &span = *titleSpans[i];
        span.foldKeys = block.data() + offsets[i];
        span.caseKeys = span.foldKeys + span.size;
        span.exactKeys = span.foldKeys + 2 * span.size;
    }
    const FoldedRange full = appendFoldedKeys(joined.full, forms.mode, block);
    const std::optional<FoldedRange> latinFull =
        joined.latinFull ? std::optional(appendFoldedKeys(*joined.latinFull, forms.mode, block)) : std::nullopt;
    forms.full = full.spanIn(block);
    forms.fullMask = full.mask;
    if (latinFull) {
        forms.latinFull = latinFull->spanIn(block);
        forms.latinFullMask = latinFull->mask;
    }
    forms.pathFormsBuilt = true;
}

const FoldedText &MenuItemData::enFullForm(FoldMode mode)
{
    RowSearchForms &forms = ensureTitleForms(mode);
    if (!forms.english)
        forms.english = std::make_unique<RowSearchForms::English>();
    if (!forms.english->full)
        forms.english->full = FoldedText(joinedForm(enPath(), m_enTitle.value_or(QString())), mode);
    return *forms.english->full;
}

const FoldedText *MenuItemData::enTitleForm(FoldMode mode)
{
    RowSearchForms &forms = ensureTitleForms(mode);
    return forms.english && forms.english->title ? &*forms.english->title : nullptr;
}

void MenuItemData::setIgnorableOptionLookup(IgnorableOption lookup)
{
    auto shared = lookup ? std::make_shared<const IgnorableOption>(std::move(lookup)) : nullptr;
    MutexLocker lock(hooks().mutex);
    hooks().ignorableOption = std::move(shared);
}

void MenuItemData::setPressFailedSink(PressFailedSink sink)
{
    auto shared = std::make_shared<const PressFailedSink>(std::move(sink));
    MutexLocker lock(hooks().mutex);
    hooks().pressFailedSink = std::move(shared);
}

void MenuItemData::setPerformedSink(PerformedSink sink)
{
    auto shared = std::make_shared<const PerformedSink>(std::move(sink));
    MutexLocker lock(hooks().mutex);
    hooks().performedSink = std::move(shared);
}

} // namespace tavolin
