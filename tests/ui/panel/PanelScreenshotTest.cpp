#include "PanelTestSupport.h"

#include <QDir>
#include <QImage>

namespace tavolin::test {
namespace {

double averageLightness(const QImage &image)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            sum += QColor(image.pixel(x, y)).lightness();
            ++count;
        }
    }
    return count ? sum / count : 0;
}

class PanelScreenshotTest : public FilePanelFixture
{
protected:
    // Saves the panel under the build's artefacts and returns the picture.
    QImage save(const QString &name)
    {
        QDir().mkpath(QStringLiteral(TAVOLIN_UI_ARTIFACTS));
        const QImage image = m_controller->window()->grab().toImage();
        const QString path = QStringLiteral(TAVOLIN_UI_ARTIFACTS) + u"/panel-"_qs + name + u".png"_qs;
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return image;
    }

    void showMenus(const QString &theme)
    {
        m_themes->apply(m_themes->themeNamed(theme));
        m_copy->setHistoryIndex(0);
        m_menus.updateFilter(nullptr);
        openPanel();
        type(u"e"_qs);
    }
};

TEST_F(PanelScreenshotTest, NormalAndDarkThemesDifferAsTheyShould)
{
    showMenus(u"Light"_qs);
    const QImage light = save(u"light"_qs);
    m_controller->onExitPanel();
    showMenus(u"deepblue"_qs);
    const QImage dark = save(u"deepblue"_qs);
    ASSERT_FALSE(light.isNull());
    ASSERT_FALSE(dark.isNull());
    EXPECT_EQ(light.size(), dark.size());
    EXPECT_GT(averageLightness(light), 180);
    EXPECT_LT(averageLightness(dark), 110);
    // The edge stands out from the rows it borders (the views reach the window's edge): darker on the
    // light theme, lighter on the dark one, so the panel keeps an edge over a page of its own colour.
    for (const int y : {light.height() / 2, light.height() - 10}) {
        EXPECT_LT(QColor(light.pixel(0, y)).lightness() + 15, QColor(light.pixel(3, y)).lightness()) << "row " << y;
        EXPECT_LT(QColor(light.pixel(light.width() - 1, y)).lightness() + 15,
                  QColor(light.pixel(light.width() - 4, y)).lightness())
            << "row " << y;
        EXPECT_GT(QColor(dark.pixel(0, y)).lightness(), QColor(dark.pixel(3, y)).lightness() + 15) << "row " << y;
    }
    EXPECT_LT(QColor(light.pixel(light.width() / 2, light.height() - 1)).lightness() + 15,
              QColor(light.pixel(light.width() / 2, light.height() - 4)).lightness());
}

TEST_F(PanelScreenshotTest, QuickOpenIsCompact)
{
    const QString home = QDir::homePath();
    showFiles({std::make_shared<FileRow>(u"report.txt"_qs, home + u"/Documents/report.txt"_qs, u"Open"_qs),
               std::make_shared<FileRow>(u"notes.md"_qs, home + u"/notes.md"_qs, u"Open"_qs),
               std::make_shared<FileRow>(u"draft.txt"_qs, u"/tmp/draft.txt"_qs, u"Recent"_qs)});
    const QImage compact = save(u"quick-open"_qs);
    EXPECT_EQ(compact.width(), 600);
    EXPECT_EQ(compact.height(), 3 * 30 + 32);
}

} // namespace
} // namespace tavolin::test
