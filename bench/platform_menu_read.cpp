// Reading whole menu trees of running applications over the accessibility bus, in one process and one run:
// our element source (libatspi's cache on: GTK sends its tree in one reply) beside the uncached libatspi walk
// (one round trip per attribute), and the palette's whole reader (AXApp, rows) on top of the cached source.
// Run by bench/platform_bench.sh inside the headless session; prints medians of each.
//
//   tavolin_bench_platform_read [--runs N] PID...
#include "platform/linux/AtspiElementSource.h"
#include "tools/MenuRows.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tavolin;

namespace {

struct Sample
{
    double ms = 0;
    int items = 0;
    bool partial = false;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One walk of the menu bar through the source, as the reader's first request makes it.
Sample walk(AtspiElementSource &source, int32_t pid, AtspiCacheUse cache)
{
    source.setCacheUse(cache);
    const ElementRef app = source.applicationForPid(pid);
    AXValue value;
    if (!app || source.copyAttributeValue(app, AXAttribute::MenuBar, value) != AXError::Success)
        return Sample{0, 0, true};
    const AtspiReadStats stats = source.lastReadStats();
    return Sample{stats.milliseconds, stats.menuItems, stats.stoppedByTimeout};
}

// The palette's reader end to end: application object, menus read in parallel, rows built.
Sample reader(const std::shared_ptr<AtspiElementSource> &source, int32_t pid)
{
    source->setCacheUse(AtspiCacheUse::On);
    QElapsedTimer timer;
    timer.start();
    const ElementRef ref = source->applicationForPid(pid);
    const AXAppPtr app = ref ? AXApp::create(source, AXAppHooks{}, ref) : nullptr;
    const menutool::MenuRead read = menutool::readApplicationRows(app, std::chrono::seconds(10));
    return Sample{double(timer.nsecsElapsed()) / 1e6, int(read.rows.size()), !read.complete || !read.hasMenuBar};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int runs = 5;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    auto source = std::make_shared<AtspiElementSource>();
    if (!source->isReady()) {
        std::fprintf(stderr, "no accessibility bus\n");
        return 1;
    }
    std::printf("%-8s %-22s %6s %10s %10s\n", "pid", "reading", "items", "median ms", "min ms");
    for (const QString &arg : args) {
        const int32_t pid = arg.toInt();
        walk(*source, pid, AtspiCacheUse::On); // warm-up: the bus connection and the application's own caches
        std::vector<double> cached, uncached, whole;
        Sample last[3];
        for (int i = 0; i < runs; ++i) {
            last[0] = walk(*source, pid, AtspiCacheUse::On);
            cached.push_back(last[0].ms);
            last[1] = walk(*source, pid, AtspiCacheUse::Off);
            uncached.push_back(last[1].ms);
            last[2] = reader(source, pid);
            whole.push_back(last[2].ms);
        }
        const char *names[3] = {"source (cached)", "libatspi uncached walk", "reader + rows"};
        const std::vector<double> *series[3] = {&cached, &uncached, &whole};
        for (int k = 0; k < 3; ++k) {
            std::printf("%-8d %-22s %6d %10.1f %10.1f%s\n", pid, names[k], last[k].items, median(*series[k]),
                        *std::min_element(series[k]->begin(), series[k]->end()), last[k].partial ? "  (partial!)" : "");
        }
        std::printf("%-8d %-22s %6s %10.2fx\n", pid, "uncached / cached", "", median(uncached) / std::max(0.001, median(cached)));
        std::fflush(stdout);
    }
    return 0;
}
