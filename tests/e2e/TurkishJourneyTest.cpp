// Turkish case rules, where "I" is the capital of "ı" and "İ" that of "i": "ızgara" finds "Izgara", and "iz" finds
// "İzle" but not "Izgara". The fixture runs with a Turkish language and one Turkish menu.
#include "EndToEndTest.h"

#include <QProcess>

namespace tavolin::test {
namespace {

// "Grid" and "Watch", under "Görünüm" ("View").
const QString kGrid = QStringLiteral("Izgara");
const QString kWatch = QStringLiteral("İzle");

// The session's keyboard in a layout while it lives, US again afterwards. With the Turkish layout "ı" has a key
// of its own; without it xdotool remaps a spare key for that letter, and the panel can see the key before the
// new map and lose the letter.
class KeyboardLayout
{
public:
    explicit KeyboardLayout(const QString &layout) : m_set(setLayout(layout)) {}
    ~KeyboardLayout() { setLayout(QStringLiteral("us")); }
    KeyboardLayout(const KeyboardLayout &) = delete;
    KeyboardLayout &operator=(const KeyboardLayout &) = delete;
    bool isSet() const { return m_set; }

private:
    static bool setLayout(const QString &layout)
    {
        QProcess tool;
        tool.start(QStringLiteral("setxkbmap"), {layout});
        return tool.waitForFinished(5000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }
    bool m_set;
};

class TurkishJourney : public EndToEndTest
{
protected:
    // Replaces the input's text with `text` and waits until the panel shows it and `ready` holds.
    static std::optional<PanelContent> retype(const PaletteRun &palette, const QString &text,
                                              const std::function<bool(const PanelContent &)> &ready)
    {
        if (!pressKey(QStringLiteral("ctrl+a")) || !pressKey(QStringLiteral("BackSpace")) || !type(text))
            return std::nullopt;
        return waitForPanel(palette, [&](const PanelContent &panel) { return panel.input == text && ready(panel); });
    }
};

TEST_F(TurkishJourney, DotlessAndDottedIAreFoldedTheTurkishWay)
{
    // The palette reads an application's language from its environment; LANGUAGE comes first there.
    const std::unique_ptr<TestApp> fixture = TestApp::start(
        QStringLiteral("env"), {QStringLiteral("LANGUAGE=tr_TR:tr"), QStringLiteral("LANG=tr_TR.UTF-8"),
                                QStringLiteral(TAVOLIN_MENU_FIXTURE), QStringLiteral("--menu"),
                                QStringLiteral("Görünüm:") + kGrid + QLatin1Char(',') + kWatch});
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(fixture.get(), window, palette);
    ASSERT_TRUE(palette);

    std::optional<PanelContent> content =
        openOver(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(kGrid); });
    ASSERT_TRUE(content) << panelAndLog(*palette);

    const KeyboardLayout turkish(QStringLiteral("tr"));
    ASSERT_TRUE(turkish.isSet()) << "setxkbmap could not set the Turkish layout";
    content = retype(*palette, QStringLiteral("ızgara"),
                     [](const PanelContent &panel) { return panel.rows.value(0) == kGrid; });
    EXPECT_TRUE(content) << "dotless ı typed: " << panelNow(*palette);
    // The English way would list both: "iz" starts each of them.
    content = retype(*palette, QStringLiteral("iz"), [](const PanelContent &panel) {
        return panel.rows.contains(kWatch) && !panel.rows.contains(kGrid);
    });
    EXPECT_TRUE(content) << "dotted i typed: " << panelNow(*palette);
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
