#pragma once

#include "EndToEndTest.h"

#include <QJsonObject>
#include <QString>

namespace tavolin::test {

// Base of the journeys about when the hot key opens the panel: keys through XTest, the palette's settings,
// and performing a command from the open panel.
class TriggerJourney : public EndToEndTest
{
protected:
    // Settings of a first start without the welcome page; with a rule for the Qt fixture unless `rule` is "".
    static QJsonObject settingsWithFixtureRule(const QString &rule);
    static bool activate(const QString &window);
    // xdotool key names, e.g. "ctrl+shift+p".
    static bool pressKeys(const QString &keys);
    // Types `query` into the open panel, waits (bounded) until the panel lists rows for it, and presses
    // Return. Fails the test when the panel did not list any.
    static void performFromPanel(const PaletteRun &palette, const QString &query);
};

} // namespace tavolin::test
