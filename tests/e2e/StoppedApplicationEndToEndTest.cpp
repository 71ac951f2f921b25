// An application stopped with SIGSTOP: `tavolin --show` still opens the panel within a second, saying the
// application is not answering, and the palette's main thread never blocks for anything near one accessibility
// time-out, as its heartbeat lines ("main thread stalled for N ms", under TAVOLIN_DEBUG) show.
#include "HeadlessSession.h"
#include "TriggerJourney.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace tavolin::test {
namespace {

constexpr int kTimeoutMs = 900; // the accessibility time-out of one request
constexpr int kShowBoundMs = 1000;
// The main thread asks the stopped application nothing: one wait on it would stall the thread for nearly a
// whole time-out, so half of one already tells.
constexpr int kStallBoundMs = kTimeoutMs / 2;

// Every number logged after `prefix` (e.g. "main thread stalled for "), in log order.
QList<int> numbersAfter(const QString &log, const QString &prefix)
{
    QList<int> numbers;
    const QRegularExpression pattern(QRegularExpression::escape(prefix) + QStringLiteral("(\\d+)"));
    for (auto it = pattern.globalMatch(log); it.hasNext();)
        numbers.append(it.next().captured(1).toInt());
    return numbers;
}

using StoppedApplication = TriggerJourney;

TEST_F(StoppedApplication, ForcedShowOpensThePanelSayingItDoesNotAnswer)
{
    startOverFixture({}, QString());
    ASSERT_TRUE(palette);
    ASSERT_EQ(::kill(pid_t(fixture->pid()), SIGSTOP), 0);
    const QString stalled = QStringLiteral("main thread stalled for ");
    const qsizetype stallsBefore = numbersAfter(palette->log(), stalled).size();

    ASSERT_TRUE(forceShow(*palette)) << "tavolin --show did not hand the request over";
    const std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.inputHint.contains(QStringLiteral("is not answering"));
    });
    ::kill(pid_t(fixture->pid()), SIGCONT);
    ASSERT_TRUE(content) << panelAndLog(*palette);
    EXPECT_EQ(content->inputHint, QStringLiteral("tavolin-menu-fixture is not answering"));
    const QList<int> shows = numbersAfter(palette->log(), QStringLiteral("show window after "));
    ASSERT_FALSE(shows.isEmpty()) << palette->log().toStdString();
    EXPECT_LT(shows.first(), kShowBoundMs) << palette->log().toStdString();

    // Closing the panel is handled on the main thread after any stall it had, so the heartbeat has written
    // every stall of the show by the time the panel is gone.
    ASSERT_TRUE(closePanel()) << "Escape left the panel open";
    const QList<int> stalls = numbersAfter(palette->log(), stalled).mid(stallsBefore);
    for (const int stall : stalls)
        EXPECT_LT(stall, kStallBoundMs) << palette->log().toStdString();
    const int longest = stalls.isEmpty() ? 0 : *std::max_element(stalls.begin(), stalls.end());
    std::printf("forced show over a stopped application: panel after %d ms; %lld main-thread stalls over %d ms, "
                "the longest %d ms\n",
                shows.first(), static_cast<long long>(stalls.size()), 100, longest);
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
