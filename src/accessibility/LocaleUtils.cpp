#include "accessibility/LocaleUtils.h"

#include "accessibility/MoCatalog.h"
#include "common/Log.h"
#include "common/Mutex.h"

#include <QFileInfo>

#include <atomic>

namespace tavolin {
namespace {

struct State
{
    Mutex buildMutex; // one build at a time, so the "same application" check and the publish pair up
    Mutex mutex;
    std::shared_ptr<const LocaleUtils::Map> dict GUARDED_BY(mutex) = std::make_shared<LocaleUtils::Map>();
    // Whose map `dict` is: the application and locale of the last build.
    std::optional<QString> lastBundle GUARDED_BY(mutex);
    std::optional<QString> lastLocale GUARDED_BY(mutex);
    std::atomic<bool> hasTrans{false};
};

State &state()
{
    static State s;
    return s;
}

void publish(std::shared_ptr<const LocaleUtils::Map> map)
{
    State &s = state();
    MutexLocker lock(s.mutex);
    s.dict = std::move(map);
}

// The language subtag: "zh_CN.UTF-8" → "zh", "zh-Hans" → "zh", "ja" → "ja".
QString languageOf(const QString &locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale.at(end).isLetter())
        ++end;
    return locale.left(end).toLower();
}

std::optional<QString> catalogPath(const LocaleBundle &bundle, const QStringList &folders, const QString &domain)
{
    for (const QString &dir : bundle.localeDirs) {
        for (const QString &folder : folders) {
            const QString path = dir + QLatin1Char('/') + folder + QStringLiteral("/LC_MESSAGES/") + domain + QStringLiteral(".mo");
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return std::nullopt;
}

// Reverse map of one catalog: localized text → English text. Within a catalog a later entry with the same
// localized text decides.
LocaleUtils::Map reverseMap(const std::vector<MoEntry> &entries, bool *processed)
{
    LocaleUtils::Map map;
    for (const MoEntry &entry : entries) {
        if (entry.msgid.isEmpty()) // the catalog's header
            continue;
        const QString en = LocaleUtils::stripMnemonic(entry.msgid);
        const QString loc = LocaleUtils::stripMnemonic(entry.msgstr);
        if (en.isEmpty() || en == QLatin1String("\n") || loc.isEmpty())
            continue;
        map.insert(loc, en);
        *processed = true;
    }
    return map;
}

} // namespace

void LocaleUtils::buildTransMap(const std::optional<LocaleBundle> &bundle, const std::optional<QString> &locale)
{
    State &s = state();
    MutexLocker build(s.buildMutex);
    const std::optional<QString> id = bundle ? std::optional<QString>(bundle->identifier) : std::nullopt;
    {
        MutexLocker lock(s.mutex);
        if (id == s.lastBundle && locale == s.lastLocale)
            return;
        // The empty map is this application's too: coming back to the one before must build its map again.
        s.dict = std::make_shared<Map>();
        s.lastBundle = id;
        s.lastLocale = locale;
        if (!bundle || !locale)
            return;
    }
    if (!isTranslatedLanguage(*locale))
        return;

    // The application's own catalog first: where it and a toolkit catalog translate the same text
    // differently, the application's English wins.
    auto map = std::make_shared<Map>();
    const QStringList folders = languageFolders(*locale);
    bool processed = false;
    for (const QString &domain : bundle->textDomains) {
        if (domain.isEmpty() || domain.contains(QLatin1Char('/')) || domain.startsWith(QLatin1Char('.')))
            continue;
        const std::optional<QString> path = catalogPath(*bundle, folders, domain);
        if (!path)
            continue;
        const std::optional<std::vector<MoEntry>> entries = MoCatalog::readFile(*path);
        if (!entries) {
            log::debug(QStringLiteral("skipping unreadable catalog %1").arg(*path));
            continue;
        }
        const Map domainMap = reverseMap(*entries, &processed);
        for (auto it = domainMap.cbegin(); it != domainMap.cend(); ++it) {
            if (!map->contains(it.key()))
                map->insert(it.key(), it.value());
        }
    }
    if (processed)
        s.hasTrans.store(true);
    publish(std::move(map));
}

std::optional<QString> LocaleUtils::getEnLabel(const QString &title)
{
    const std::shared_ptr<const Map> dict = localeDict();
    if (const auto it = dict->constFind(title); it != dict->cend())
        return it.value();
    QString bare = title;
    bare.remove(QChar(0x2026));
    if (const auto it = dict->constFind(bare); it != dict->cend())
        return it.value();
    return std::nullopt;
}

std::shared_ptr<const LocaleUtils::Map> LocaleUtils::localeDict()
{
    State &s = state();
    MutexLocker lock(s.mutex);
    return s.dict;
}

bool LocaleUtils::hasTrans() { return state().hasTrans.load(); }

std::optional<QString> LocaleUtils::lastBundle()
{
    State &s = state();
    MutexLocker lock(s.mutex);
    return s.lastBundle;
}

bool LocaleUtils::isTranslatedLanguage(const QString &locale)
{
    // "jp" is no language code, but some applications report it for Japanese.
    static const QStringList kLanguages{QStringLiteral("zh"), QStringLiteral("ja"), QStringLiteral("jp"),
                                        QStringLiteral("ko")};
    return kLanguages.contains(languageOf(locale));
}

QStringList LocaleUtils::languageFolders(const QString &locale)
{
    // A LANGUAGE-style list ("zh_CN:en") names the preferred language first.
    QString full = locale.section(QLatin1Char(':'), 0, 0).trimmed();
    QString modifier;
    if (const qsizetype at = full.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = full.mid(at);
        full.truncate(at);
    }
    QString codeset;
    if (const qsizetype dot = full.indexOf(QLatin1Char('.')); dot >= 0) {
        codeset = full.mid(dot);
        full.truncate(dot);
    }
    const QString language = languageOf(full);
    QStringList folders;
    auto add = [&folders](const QString &folder) {
        // The locale comes from another process's environment: never let it name a path.
        if (!folder.isEmpty() && !folders.contains(folder) && !folder.contains(QLatin1Char('/'))
            && !folder.startsWith(QLatin1Char('.')))
            folders << folder;
    };
    add(full + codeset + modifier);
    add(full + codeset);
    add(full + modifier);
    add(full);
    add(language + modifier);
    add(language);
    return folders;
}

QString LocaleUtils::stripMnemonic(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('_')) {
            out += text.at(i);
        } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('_')) {
            out += QLatin1Char('_'); // "__" is a literal underscore
            ++i;
        }
    }
    return out;
}

void LocaleUtils::resetForTesting()
{
    State &s = state();
    MutexLocker build(s.buildMutex);
    MutexLocker lock(s.mutex);
    s.dict = std::make_shared<Map>();
    s.lastBundle.reset();
    s.lastLocale.reset();
    s.hasTrans.store(false);
}

} // namespace tavolin
