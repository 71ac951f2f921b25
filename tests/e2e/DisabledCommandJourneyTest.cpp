// The Qt fixture's Edit > Paste is disabled: tavolin-menu lists it marked not enabled and perform refuses it by
// name; the panel, which offers only what can be performed now, never lists it.
#include "EndToEndTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavolin::test {
namespace {

using DisabledCommandJourney = FixtureJourney;

// The --json row of `title` under the Edit menu; an empty object when the list has none.
QJsonObject editRow(const QString &json, const QString &title)
{
    const QJsonArray rows = QJsonDocument::fromJson(json.toUtf8()).object().value(QStringLiteral("rows")).toArray();
    for (const QJsonValue &row : rows) {
        const QJsonObject object = row.toObject();
        if (object.value(QStringLiteral("path")).toArray() == QJsonArray{QStringLiteral("Edit")}
            && object.value(QStringLiteral("title")).toString() == title)
            return object;
    }
    return {};
}

TEST_F(DisabledCommandJourney, TheToolMarksTheDisabledCommandAndThePanelLeavesItOut)
{
    const QString pid = QString::number(fixture->pid());
    const MenuToolRun listed = runMenuTool({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--pid"), pid});
    ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
    const QJsonObject paste = editRow(listed.out, QStringLiteral("Paste"));
    ASSERT_FALSE(paste.isEmpty()) << "the disabled command is listed:\n" << listed.out.toStdString();
    EXPECT_FALSE(paste.value(QStringLiteral("enabled")).toBool(true)) << listed.out.toStdString();
    EXPECT_EQ(paste.value(QStringLiteral("shortcut")).toString(), QStringLiteral("Ctrl+V"));
    EXPECT_TRUE(editRow(listed.out, QStringLiteral("Copy")).value(QStringLiteral("enabled")).toBool(false))
        << listed.out.toStdString();

    const MenuToolRun refused = runMenuTool({QStringLiteral("perform"), QStringLiteral("Edit > Paste"), QStringLiteral("--pid"), pid});
    EXPECT_EQ(refused.code, 10) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("\"Edit > Paste\" is disabled"))) << refused.err.toStdString();

    // The whole Edit menu around Paste is listed: had Paste been kept, it would be there too.
    const std::optional<PanelContent> content = openOver(*palette, *window, [](const PanelContent &panel) {
        return panel.input.isEmpty() && panel.rows.contains(QStringLiteral("Copy"))
            && panel.rows.contains(QStringLiteral("Settings…"));
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    EXPECT_FALSE(content->rows.contains(QStringLiteral("Paste"))) << describe(content).toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
