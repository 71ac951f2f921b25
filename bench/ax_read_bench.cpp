// Reading a large menu tree through a slow accessibility service: the application object's parallel reading
// of top-level menus (first menu at once, the others on the background pool) beside a sequential walk of the
// same tree on one thread. Each request to the fake service costs 0.2 ms of wall time, as a round trip to
// another process would.
#include "accessibility/AXApp.h"
#include "support/FakeElementSource.h"
#include "accessibility/AXUtils.h"
#include "common/Dispatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QThreadPool>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>

using namespace tavolin;

namespace {

QtDispatcher g_dispatcher; // Qt's pool and event loop, for the whole run

constexpr int kTopLevel = 12;
constexpr int kGroups = 25;     // submenus per top-level menu
constexpr int kLeaves = 9;      // items per submenu
constexpr int32_t kPid = 5000;  // 12 × (25 + 25 × 9) = 3,000 items below the menu bar
constexpr auto kDelay = std::chrono::microseconds(200);

double g_parallelMs = 0;
double g_sequentialMs = 0;

QJsonObject bigApplication()
{
    QJsonArray bar;
    for (int t = 0; t < kTopLevel; ++t) {
        QJsonArray groups;
        for (int g = 0; g < kGroups; ++g) {
            QJsonArray leaves;
            for (int l = 0; l < kLeaves; ++l)
                leaves.append(QJsonObject{{"title", QStringLiteral("Item %1.%2.%3").arg(t).arg(g).arg(l)}, {"cmdChar", "K"}, {"modifiers", l % 4}});
            groups.append(QJsonObject{{"title", QStringLiteral("Group %1.%2").arg(t).arg(g)}, {"menu", leaves}});
        }
        bar.append(QJsonObject{{"title", QStringLiteral("Menu %1").arg(t)}, {"menu", groups}});
    }
    return QJsonObject{{"title", "Big"}, {"pid", kPid}, {"appName", "big"}, {"menuBar", bar}};
}

std::shared_ptr<FakeElementSource> makeSource()
{
    auto source = std::make_shared<FakeElementSource>();
    source->addApplication(bigApplication());
    source->setRequestDelay(kDelay);
    return source;
}

int countItems(const AXMenu &menu)
{
    int n = 0;
    for (const AXMenuItemPtr &item : menu.items())
        n += 1 + (item->submenu() ? countItems(*item->submenu()) : 0);
    return n;
}

class FinishWatcher final : public AxAppWatcher
{
public:
    void onUpdate(const AXMenuPtr &) override {}
    std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int) override
    {
        items += 1 + (item->submenu() ? countItems(*item->submenu()) : 0);
        return {};
    }
    void onShouldTriggerUpdate(bool) override {}
    void onLoadFinished() override { finished = true; }
    std::atomic<int> items{0};
    std::atomic<bool> finished{false};
};

void BM_ParallelTopLevelReading(benchmark::State &state)
{
    auto source = makeSource();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto watcher = std::make_shared<FinishWatcher>();
        AXAppPtr app = AXApp::create(source, g_dispatcher, AXAppHooks{}, source->applicationElement(kPid));
        app->setWatcher(watcher);
        app->loadMenus(MenuLoad::MenusOnly);
        QDeadlineTimer deadline(120'000);
        while (!watcher->finished && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        g_parallelMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.counters["items"] = watcher->items.load();
    }
    state.counters["pool_threads"] = QThreadPool::globalInstance()->maxThreadCount();
}

void BM_SequentialWalk(benchmark::State &state)
{
    auto source = makeSource();
    auto context = std::make_shared<AXReadContext>();
    context->source = source;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        AXMenu bar;
        const auto menuBar = AXUtils::getAny<ElementRef>(*source, AXAttribute::MenuBar, source->applicationElement(kPid));
        bar.readMenuItems(context, menuBar.value_or(nullptr), MenuLevel::TopLevel);
        for (const AXMenuItemPtr &top : bar.items())
            top->readSubmenu();
        g_sequentialMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.counters["items"] = countItems(bar);
    }
}

BENCHMARK(BM_ParallelTopLevelReading)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SequentialWalk)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_parallelMs > 0 && g_sequentialMs > 0) {
        std::printf("menu tree of 3,000 items, 0.2 ms per request: parallel top-level reading %.0f ms, "
                    "sequential walk %.0f ms, ratio %.2fx\n",
                    g_parallelMs, g_sequentialMs, g_sequentialMs / g_parallelMs);
    }
    return 0;
}
