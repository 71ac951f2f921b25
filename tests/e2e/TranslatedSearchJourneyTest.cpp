// A person runs Geany in Chinese and types the English name of a command: the palette lists "另存为...(A)"
// first for "save as" (its English title, from Geany's catalog, matches), and `tavolin-menu search` over the
// same window ranks the same row first, as scripts built on the tool expect; the Latin forms the palette
// computed are kept for its next start. Every wait is bounded.
#include "EndToEndTest.h"
#include "HeadlessSession.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
};

TEST_F(TranslatedSearchJourney, PaletteAndToolFindAChineseCommandByItsEnglishTitle)
{
    if (QStandardPaths::findExecutable(QStringLiteral("geany")).isEmpty() ||
        !QFile::exists(QStringLiteral("/usr/share/locale/zh_CN/LC_MESSAGES/geany.mo")))
        GTEST_SKIP() << "needs geany and its Chinese catalog (geany-common)";
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    // The palette reads an application's language from its environment; LANGUAGE comes first there.
    const std::unique_ptr<TestApp> geany =
        TestApp::start(QStringLiteral("env"), {QStringLiteral("LANGUAGE=zh_CN"), QStringLiteral("geany"),
                                               QStringLiteral("-i"), QStringLiteral("-c"), config.path()});
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(geany.get(), window, palette);
    if (!palette)
        return;

    ASSERT_TRUE(openOver(*palette, *window, [](const PanelContent &panel) { return !panel.rows.isEmpty(); }))
        << describe(PanelProbe::panel(palette->pid())).toStdString() << "\n" << palette->log().toStdString();
    EXPECT_TRUE(typeUntilBest(*palette, kQuery, kSaveAs))
        << "the palette: " << describe(PanelProbe::panel(palette->pid())).toStdString();
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

} // namespace
} // namespace tavolin::test
