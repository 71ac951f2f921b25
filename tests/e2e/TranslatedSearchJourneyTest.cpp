// Geany in Chinese, searched by English names: "save as" lists "另存为...(A)" first in the palette (its English title
// from Geany's catalog matches) and in `tavolin-menu search` over the same window, as scripts built on the tool
// expect; the Latin forms are kept for the next start, and are still there after a visit to an application that
// names no language.
#include "EndToEndTest.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tavolin::test {
namespace {

const QString kSaveAs = QStringLiteral("另存为...(A)");
const QString kQuery = QStringLiteral("save as");

// The title of the best row of a `tavolin-menu search` output ("SCORE<TAB>PATH > TITLE[<TAB>…]"); "" when none.
QString bestTitle(const QString &out)
{
    const QString line = out.section(QLatin1Char('\n'), 0, 0);
    const QString pathAndTitle = line.section(QLatin1Char('\t'), 1, 1);
    return pathAndTitle.section(QStringLiteral(" > "), -1);
}

class TranslatedSearchJourney : public EndToEndTest
{
protected:
    static bool hasChineseGeany()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("geany")).isEmpty()
            && QFile::exists(QStringLiteral("/usr/share/locale/zh_CN/LC_MESSAGES/geany.mo"));
    }
    // The palette reads an application's language from its environment; LANGUAGE comes first there.
    static std::unique_ptr<TestApp> startChineseGeany(const QTemporaryDir &config)
    {
        return TestApp::start(QStringLiteral("env"), {QStringLiteral("LANGUAGE=zh_CN"), QStringLiteral("geany"),
                                                      QStringLiteral("-i"), QStringLiteral("-c"), config.path()});
    }
};

TEST_F(TranslatedSearchJourney, PaletteAndToolFindAChineseCommandByItsEnglishTitle)
{
    if (!hasChineseGeany())
        GTEST_SKIP() << "needs geany and its Chinese catalog (geany-common)";
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const std::unique_ptr<TestApp> geany = startChineseGeany(config);
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(geany.get(), window, palette);
    ASSERT_TRUE(palette);

    ASSERT_TRUE(openOver(*palette, *window, [](const PanelContent &panel) { return !panel.rows.isEmpty(); }))
        << panelAndLog(*palette);
    EXPECT_TRUE(typeUntilBest(*palette, kQuery, kSaveAs)) << "the palette: " << panelNow(*palette);
    ASSERT_TRUE(closePanel());

    const MenuToolRun search = runMenuTool({QStringLiteral("search"), kQuery, QStringLiteral("--pid"), QString::number(geany->pid())});
    EXPECT_EQ(search.code, 0) << search.err.toStdString();
    EXPECT_EQ(bestTitle(search.out).toStdString(), kSaveAs.toStdString()) << "the tool ranked:\n" << search.out.left(600).toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());

    // The next palette starts from the Latin forms this one computed, instead of compiling ICU's Chinese
    // rules again: they are in the cache file once it has quit.
    QFile cache(palette->cacheHome() + QStringLiteral("/tavolin/transliterations"));
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly)) << "no transliteration cache was written";
    const QString kept = QString::fromUtf8(cache.readAll());
    EXPECT_TRUE(kept.contains(QStringLiteral("另存为")) && kept.contains(QStringLiteral("ling cun wei")))
        << kept.left(600).toStdString();
}

TEST_F(TranslatedSearchJourney, EnglishTitlesStayAfterAVisitToAnApplicationWithoutALanguage)
{
    if (!hasChineseGeany())
        GTEST_SKIP() << "needs geany and its Chinese catalog (geany-common)";
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    // "C" names no language, and neither does an environment without any of the variables.
    const std::unique_ptr<TestApp> plain = TestApp::start(
        QStringLiteral("env"), {QStringLiteral("-u"), QStringLiteral("LANGUAGE"), QStringLiteral("-u"), QStringLiteral("LC_ALL"),
                                QStringLiteral("-u"), QStringLiteral("LC_MESSAGES"), QStringLiteral("LANG=C"),
                                QStringLiteral(TAVOLIN_MENU_FIXTURE)});
    ASSERT_TRUE(plain);
    const std::optional<QString> plainWindow = waitForWindowOf(plain->pid());
    ASSERT_TRUE(plainWindow) << "the fixture's window did not show";
    const std::unique_ptr<TestApp> geany = startChineseGeany(config);
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(geany.get(), window, palette);
    ASSERT_TRUE(palette);
    const auto anyRows = [](const PanelContent &panel) { return !panel.rows.isEmpty(); };

    ASSERT_TRUE(openOver(*palette, *window, anyRows)) << palette->log().toStdString();
    ASSERT_TRUE(typeUntilBest(*palette, kQuery, kSaveAs)) << "before the visit: " << panelNow(*palette);
    ASSERT_TRUE(closePanel());
    ASSERT_TRUE(openOver(*palette, *plainWindow, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Save As…"));
    })) << panelNow(*palette);
    ASSERT_TRUE(closePanel());

    ASSERT_TRUE(openOver(*palette, *window, anyRows)) << palette->log().toStdString();
    EXPECT_TRUE(typeUntilBest(*palette, kQuery, kSaveAs)) << "after the visit: " << panelNow(*palette);
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
