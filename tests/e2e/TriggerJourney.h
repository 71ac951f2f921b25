#pragma once

#include "EndToEndTest.h"
#include "HeadlessSession.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace tavolin::test {

// Base of the journeys about when the hot key opens the panel: the palette over the Qt fixture, and
// performing a command from the open panel.
class TriggerJourney : public EndToEndTest
{
protected:
    // Starts the Qt fixture with `options`, then the palette with `rule` for it, and activates the fixture's
    // window. On failure the test has failed and `palette` is null.
    void startOverFixture(const QStringList &options, const QString &rule);
    // Types `query` into the open panel, waits (bounded) until the panel lists rows for it, and presses
    // Return. Fails the test when the panel did not list any.
    static void performFromPanel(const PaletteRun &palette, const QString &query);

    std::unique_ptr<TestApp> fixture;    // set by startOverFixture
    std::unique_ptr<PaletteRun> palette; // set by startOverFixture; goes before the fixture
};

} // namespace tavolin::test
