#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tavolin {

// Where an application's translations live: its gettext catalogs LOCALEDIR/LANG/LC_MESSAGES/DOMAIN.mo.
struct LocaleBundle
{
    QString identifier;      // the application's bundle identifier; the map is rebuilt when it changes
    QStringList localeDirs;  // e.g. "/usr/share/locale", in search order
    QStringList textDomains; // e.g. "mousepad", "gtk30": the application's own catalog first
};

// The process-wide map from an application's localized menu texts to their English texts, so a search for
// an English command name also finds the localized row. Built only for Chinese, Japanese and Korean
// ("zh", "ja", "ko"; "jp" is accepted as well), from the catalogs' msgstr → msgid with the mnemonic
// underscores removed on both sides.
//
// Threads: every function is thread-safe. buildTransMap() runs on a background thread; it builds the new
// map aside and publishes it in one step, so readers see the old map or the new one, never a half-built one.
class LocaleUtils
{
public:
    using Map = QHash<QString, QString>;

    // (Re)builds the map for an application. Returns at once when `bundle`'s identifier and `locale` equal the
    // last ones built for (no bundle twice counts as equal). Otherwise the map is emptied first; without a
    // bundle or a locale it stays empty. Missing or malformed catalogs are skipped quietly.
    static void buildTransMap(const std::optional<LocaleBundle> &bundle, const std::optional<QString> &locale);

    // The English text of a localized title: the entry for the title, else for the title without any "…".
    static std::optional<QString> getEnLabel(const QString &title);

    // The current map (never null; a snapshot that stays valid while held).
    static std::shared_ptr<const Map> localeDict();
    // True once any translation entry was processed in this run; never false again.
    static bool hasTrans();
    static std::optional<QString> lastBundle();

    // Whether a locale's language gets a map ("zh", "ja", "jp", "ko" prefixes).
    static bool isTranslatedLanguage(const QString &locale);
    // Catalog folder names to try for a locale, most specific first: "zh_CN.UTF-8@x" → "zh_CN.UTF-8@x",
    // "zh_CN.UTF-8", "zh_CN@x", "zh_CN", "zh".
    static QStringList languageFolders(const QString &locale);
    // Removes gettext mnemonic markers: "_Datei" → "Datei", "文件(_F)" → "文件(F)", "a__b" → "a_b".
    static QString stripMnemonic(const QString &text);

    // Forgets everything, hasTrans included. Tests only.
    static void resetForTesting();
};

} // namespace tavolin
