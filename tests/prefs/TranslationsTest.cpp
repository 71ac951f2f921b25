// Both programs pick their catalog from the user's languages as the environment gives them: LANGUAGE's list
// first (English among them wins, as the sources are English), then LC_ALL, LC_MESSAGES and LANG; a language
// without a catalog (Traditional Chinese) stays English. Each case starts a child with its environment, since
// the system locale is read once per process.
#include "support/ChildProcess.h"
#include "ui/i18n/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>

namespace tavolin {
namespace {

// Child: installs the catalogs and prints, one a line, a text of the palette, of the preferences program
// and Qt's own "Cancel".
TAVOLIN_CHILD_ROLE(translated_texts)
{
    i18n::installTranslations(*QCoreApplication::instance());
    const QStringList texts{QCoreApplication::translate("tavolin::WelcomeWindow", "Get Started"),
                            QCoreApplication::translate("tavolin::PreferencesWindow", "General"),
                            QCoreApplication::translate("QPlatformTheme", "Cancel")};
    std::fputs(texts.join(QLatin1Char('\n')).toUtf8().constData(), stdout);
    return 0;
}

QStringList textsUnder(const QStringList &variables)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        env.remove(QString::fromLatin1(name));
    for (const QString &variable : variables)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(test::childProgram(), test::childArguments(QStringLiteral("translated_texts")));
    if (!child.waitForFinished(15000) || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
}

TEST(TranslationsTest, TheCatalogFollowsTheUsersLanguages)
{
    const QStringList english{QStringLiteral("Get Started"), QStringLiteral("General")};
    const QStringList german{QStringLiteral("Los geht’s"), QStringLiteral("Allgemein")};
    const QStringList chinese{QStringLiteral("开始使用"), QStringLiteral("通用")};
    const struct { QStringList environment; QStringList texts; } cases[] = {
        {{QStringLiteral("LANG=C.UTF-8")}, english},
        {{}, english},
        {{QStringLiteral("LANGUAGE=de"), QStringLiteral("LANG=C.UTF-8")}, german},
        {{QStringLiteral("LANG=de_AT.UTF-8")}, german}, // a region without a catalog of its own
        {{QStringLiteral("LC_ALL=de_DE.UTF-8"), QStringLiteral("LANG=zh_CN.UTF-8")}, german},
        {{QStringLiteral("LC_MESSAGES=zh_CN.UTF-8"), QStringLiteral("LANG=de_DE.UTF-8")}, chinese},
        {{QStringLiteral("LANG=zh_CN.UTF-8")}, chinese},
        {{QStringLiteral("LANGUAGE=en:de"), QStringLiteral("LANG=de_DE.UTF-8")}, english},
        {{QStringLiteral("LANGUAGE=fr:zh_CN"), QStringLiteral("LANG=C.UTF-8")}, chinese},
        {{QStringLiteral("LANGUAGE=zh_TW"), QStringLiteral("LANG=zh_TW.UTF-8")}, english},
    };
    for (const auto &row : cases) {
        const QStringList texts = textsUnder(row.environment);
        EXPECT_EQ(texts.mid(0, 2), row.texts) << row.environment.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(TranslationsTest, QtsOwnCatalogComesWithOursWhenInstalled)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_de.qm")))
        GTEST_SKIP() << "Qt's German catalog is not installed (qt6-translations-l10n)";
    EXPECT_EQ(textsUnder({QStringLiteral("LANGUAGE=de")}).value(2), QStringLiteral("Abbrechen"));
    EXPECT_EQ(textsUnder({QStringLiteral("LANG=C.UTF-8")}).value(2), QStringLiteral("Cancel"));
}

} // namespace
} // namespace tavolin
