// Commands that open a modal dialog, performed from the palette and from `tavolin-menu perform`, in Mousepad (Save
// As) and the Qt fixture (Settings…): the dialog is read over AT-SPI while open, takes typing, closes on Escape, and
// the application then still answers its bus within a second. A press that held the application's bus connection
// left Mousepad answering nothing once its dialog was open. Prints Return (or the tool's start) to the dialog read,
// and the answer time after it closed.
#include "EndToEndTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace tavolin::test {
namespace {

enum class Route { Palette, Tool };
enum class Target { Mousepad, QtFixture };

struct DialogCase
{
    const char *name;
    Target target;
    Route route;
    QString query;       // typed into the panel
    QString row;         // the best row for it starts so
    QString path;        // what tavolin-menu performs
    QString dialog;      // the dialog's title
};

void PrintTo(const DialogCase &row, std::ostream *out) { *out << row.name; }

std::optional<QString> dialogWindow(qint64 pid, const QString &title)
{
    std::optional<QString> found;
    waitFor(
        [&] {
            found = xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--pid"), QString::number(pid),
                             QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')});
            return found && !found->isEmpty();
        },
        5s);
    if (found)
        found = found->section(QLatin1Char('\n'), 0, 0);
    return found && !found->isEmpty() ? found : std::nullopt;
}

class DialogCommandEndToEnd : public EndToEndTest, public ::testing::WithParamInterface<DialogCase>
{
protected:
    // Starts the case's application; for Mousepad over a saved file in m_files.
    std::unique_ptr<TestApp> startTarget(const DialogCase &row)
    {
        if (row.target == Target::QtFixture)
            return TestApp::startFixture();
        const QString notes = m_files.filePath(QStringLiteral("notes.txt"));
        if (!writeFile(notes, "hello\n"))
            return nullptr;
        // --disable-server: a Mousepad started elsewhere must not take this window over.
        return TestApp::start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server"), notes});
    }

    // Performs the case's command the case's way; the time it was asked.
    void perform(const DialogCase &row, const TestApp &app, const QString &window, QElapsedTimer &asked)
    {
        if (row.route == Route::Tool) {
            asked.start();
            const MenuToolRun run = runMenuTool({QStringLiteral("perform"), row.path, QStringLiteral("--pid"),
                                                 QString::number(app.pid())});
            ASSERT_EQ(run.code, 0) << run.err.toStdString();
            return;
        }
        // The fixture's Edit menu holds the palette key: "allow" keeps the key for the palette there.
        m_palette = startPalette(settingsWithFixtureRule(QStringLiteral("allow")));
        ASSERT_TRUE(m_palette);
        ASSERT_TRUE(activate(window));
        ASSERT_TRUE(pressPaletteShortcut());
        ASSERT_TRUE(waitForPanel(*m_palette, [](const PanelContent &panel) { return panel.rows.size() > 3; }))
            << panelAndLog(*m_palette);
        ASSERT_TRUE(type(row.query));
        // Return performs the selected row: wait until the ranking has put the command first and selected it.
        const std::optional<PanelContent> ranked = waitForPanel(*m_palette, [&](const PanelContent &panel) {
            return panel.input == row.query && panel.rows.value(0).startsWith(row.row) && panel.selected == 0;
        });
        ASSERT_TRUE(ranked) << "expected " << row.row.toStdString() << " first and selected; the panel shows:\n"
                            << panelNow(*m_palette);
        asked.start();
        ASSERT_TRUE(pressReturn());
    }

    QTemporaryDir m_files;
    std::unique_ptr<PaletteRun> m_palette;
};

TEST_P(DialogCommandEndToEnd, DialogOpensTakesTypingAndTheApplicationKeepsAnswering)
{
    const DialogCase &row = GetParam();
    if (row.target == Target::Mousepad && QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    const std::unique_ptr<TestApp> app = startTarget(row);
    const std::optional<QString> window = windowOfStarted(app.get());
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor([&] { return PanelProbe::frameCount(app->pid()) == 1; }, 15s))
        << "the application did not appear on the accessibility bus";
    const std::optional<QStringList> before = PanelProbe::windowTitles(app->pid());
    ASSERT_TRUE(before);

    QElapsedTimer asked;
    perform(row, *app, *window, asked);
    if (HasFatalFailure() || (row.route == Route::Palette && !m_palette))
        return;

    // The dialog as a screen reader meets it: listed among the application's windows, its fields readable.
    std::optional<QStringList> texts;
    ASSERT_TRUE(waitFor([&] { return (texts = PanelProbe::fieldTexts(app->pid(), row.dialog)).has_value(); }, 10s))
        << "the dialog was not read over AT-SPI; windows: "
        << PanelProbe::windowTitles(app->pid()).value_or(QStringList{QStringLiteral("<no answer>")}).join(u", ").toStdString()
        << (m_palette ? "\n" + m_palette->log().toStdString() : std::string());
    const qint64 dialogMs = asked.elapsed();

    const std::optional<QString> dialog = dialogWindow(app->pid(), row.dialog);
    ASSERT_TRUE(dialog) << "no X window titled " << row.dialog.toStdString();
    ASSERT_TRUE(activate(*dialog));
    ASSERT_TRUE(type(QStringLiteral("abc")));
    EXPECT_TRUE(waitFor(
        [&] {
            texts = PanelProbe::fieldTexts(app->pid(), row.dialog);
            return texts && texts->indexOf(QRegularExpression(QStringLiteral("abc.*"))) >= 0;
        },
        5s)) << "typed text not in the dialog: " << (texts ? texts->join(u" | ").toStdString() : "<no answer>");

    ASSERT_TRUE(pressKey(QStringLiteral("Escape")));
    std::optional<QStringList> after;
    EXPECT_TRUE(waitFor([&] { return (after = PanelProbe::windowTitles(app->pid())) == before; }, 5s))
        << "windows after Escape: " << (after ? after->join(u", ").toStdString() : "<no answer>");
    // Once the dialog is gone the application answers a fresh read of its windows and its menus at once.
    QElapsedTimer answer;
    answer.start();
    after = PanelProbe::windowTitles(app->pid());
    const qint64 answerMs = answer.elapsed();
    EXPECT_EQ(after, before);
    EXPECT_LT(answerMs, 1000);
    const MenuToolRun listed = runMenuTool({QStringLiteral("list"), QStringLiteral("--pid"), QString::number(app->pid())});
    EXPECT_EQ(listed.code, 0) << listed.err.toStdString();
    const QString command = row.path.chopped(1); // without "…", which Mousepad writes "..."
    EXPECT_TRUE(listed.out.contains(command)) << listed.out.toStdString();

    if (row.target == Target::QtFixture) {
        EXPECT_TRUE(app->waitForLogLine(QStringLiteral("dialog closed abc"))) << linesOf(*app);
    } else {
        EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
    }
    std::printf("[figures] %s: dialog read over AT-SPI %lld ms after the command was asked; after Escape the "
                "application answered in %lld ms\n",
                row.name, static_cast<long long>(dialogMs), static_cast<long long>(answerMs));
    if (m_palette) {
        EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogCommandEndToEnd,
    ::testing::Values(
        DialogCase{"GtkSaveAsFromThePalette", Target::Mousepad, Route::Palette, QStringLiteral("save as"),
                   QStringLiteral("Save As"), QStringLiteral("File > Save As…"), QStringLiteral("Save As")},
        DialogCase{"GtkSaveAsFromTavolinMenu", Target::Mousepad, Route::Tool, QString(), QString(),
                   QStringLiteral("File > Save As…"), QStringLiteral("Save As")},
        DialogCase{"QtSettingsFromThePalette", Target::QtFixture, Route::Palette, QStringLiteral("settings"),
                   QStringLiteral("Settings"), QStringLiteral("Edit > Settings…"), QStringLiteral("Fixture Settings")},
        DialogCase{"QtSettingsFromTavolinMenu", Target::QtFixture, Route::Tool, QString(), QString(),
                   QStringLiteral("Edit > Settings…"), QStringLiteral("Fixture Settings")}),
    [](const ::testing::TestParamInfo<DialogCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin::test
