#include "TriggerJourney.h"

#include <QJsonArray>

namespace tavolin::test {

QJsonObject TriggerJourney::settingsWithFixtureRule(const QString &rule)
{
    QJsonObject settings{{QStringLiteral("skipWelcome"), true}};
    if (!rule.isEmpty()) {
        settings.insert(QStringLiteral("palette_rule_app"),
                        QJsonArray{QJsonArray{QStringLiteral("tavolin-menu-fixture"), rule, QStringLiteral("Fixture")}});
    }
    return settings;
}

bool TriggerJourney::activate(const QString &window)
{
    return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}).has_value();
}

bool TriggerJourney::pressKeys(const QString &keys)
{
    return xdotool({QStringLiteral("key"), keys}).has_value();
}

void TriggerJourney::performFromPanel(const PaletteRun &palette, const QString &query)
{
    ASSERT_TRUE(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), query}));
    const std::optional<PanelContent> content = waitForPanel(palette, [&](const PanelContent &panel) {
        return panel.input == query && !panel.rows.isEmpty() && panel.selected == 0;
    });
    ASSERT_TRUE(content) << describe(PanelProbe::panel(palette.pid())).toStdString();
    ASSERT_TRUE(pressKeys(QStringLiteral("Return")));
}

} // namespace tavolin::test
