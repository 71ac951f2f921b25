#include "ui/i18n/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavolin::i18n {
namespace {

void install(QCoreApplication &app, const QString &name, const QString &folder)
{
    // The user's languages in their order (QLocale() follows LANGUAGE before the LC_* variables): the first
    // with a catalog wins, and English, the sources' language, wins with none, so "en:de" stays English.
    for (const QString &language : QLocale().uiLanguages()) {
        const QLocale locale(language);
        if (locale.language() == QLocale::English || locale.language() == QLocale::C)
            return;
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, name, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
        delete translator;
    }
}

} // namespace

void installTranslations(QCoreApplication &app)
{
    install(app, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    install(app, QStringLiteral("tavolin"), QStringLiteral(":/i18n"));
}

} // namespace tavolin::i18n
