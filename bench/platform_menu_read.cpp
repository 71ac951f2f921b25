// Reading whole menu trees of running applications over the accessibility bus, in one process and one run:
// our element source in each of its ways of reading GTK trees and actions (walks with libatspi's cache on;
// GetItems with pipelined calls) and other toolkits' trees (streamed walk) beside the uncached libatspi walk
// (one round trip per attribute), and the palette's whole reader (AXApp, rows) on top of the default source.
// Prints medians (also per menu item, to set a Qt tree beside a GTK one of another size), where the last walk
// of each way spent its time (calls and milliseconds per kind of call), and whether every way mapped the
// same tree.
// Run by bench/platform_bench.sh inside the headless session. TAVOLIN_DUMP_TREES=DIR writes each distinct
// tree there as text, to see where two ways differ.
//
//   tavolin_bench_platform_read [--runs N] PID...
#include "common/QtLoopWithoutGlib.h"
#include "common/Dispatcher.h"
#include "platform/linux/AtspiElementSource.h"
#include "platform/linux/AtspiThread.h"
#include "tools/MenuRows.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tavolin;

namespace {

QtDispatcher g_dispatcher; // Qt's pool and event loop, for the whole run

struct Sample
{
    double ms = 0;
    int items = 0;
    bool partial = false;
    AtspiCallFigures figures;
    QByteArray tree; // digest of what the source answers for the whole tree
};

struct Way
{
    const char *name;
    AtspiCacheUse cache;
    AtspiActionReads actions;
    AtspiTreeReads tree;
    AtspiWalkCalls calls;
};

// A Qt application keeps no cache and is always walked in full: the first three ways read it as the
// reference does (one call after the other), "GetItems + pipelined" and "streamed walk" as the palette does.
const Way kWays[] = {
    {"cached, full actions", AtspiCacheUse::On, AtspiActionReads::Full, AtspiTreeReads::Walk, AtspiWalkCalls::OneByOne},
    {"cached, action 0 only", AtspiCacheUse::On, AtspiActionReads::Single, AtspiTreeReads::Walk, AtspiWalkCalls::OneByOne},
    {"cached, pipelined", AtspiCacheUse::On, AtspiActionReads::Pipelined, AtspiTreeReads::Walk, AtspiWalkCalls::OneByOne},
    {"GetItems + pipelined", AtspiCacheUse::On, AtspiActionReads::Pipelined, AtspiTreeReads::Items, AtspiWalkCalls::Streamed},
    {"streamed walk", AtspiCacheUse::Off, AtspiActionReads::Full, AtspiTreeReads::Walk, AtspiWalkCalls::Streamed},
    {"libatspi uncached walk", AtspiCacheUse::Off, AtspiActionReads::Full, AtspiTreeReads::Walk, AtspiWalkCalls::OneByOne},
};
constexpr int kWayCount = int(sizeof(kWays) / sizeof(kWays[0]));
constexpr int kReference = kWayCount - 1;

const char *const kCallNames[kAtspiCallKinds] = {"setup", "role", "name", "children", "states",
                                                 "action count", "action name", "key binding", "items", "streamed"};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Everything the reader can ask of the tree below `element`, hashed; written to `dump` as well when given.
void hashTree(AtspiElementSource &source, const ElementRef &element, QCryptographicHash &hash, QByteArray *dump,
              int depth = 0)
{
    QByteArray line(depth * 2, ' ');
    for (AXAttribute attribute : {AXAttribute::Title, AXAttribute::Role, AXAttribute::Enabled, AXAttribute::MenuItemMarkChar,
                                  AXAttribute::MenuItemCmdChar, AXAttribute::MenuItemCmdVirtualKey,
                                  AXAttribute::MenuItemCmdModifiers}) {
        AXValue value;
        const AXError error = source.copyAttributeValue(element, attribute, value);
        QString text = QString::number(int(error));
        if (error == AXError::Success) {
            if (const QString *s = std::get_if<QString>(&value))
                text += *s;
            else if (const bool *b = std::get_if<bool>(&value))
                text += *b ? QLatin1String("1") : QLatin1String("0");
            else if (const int64_t *n = std::get_if<int64_t>(&value))
                text += QString::number(*n);
        }
        hash.addData(text.toUtf8() + '\x1f');
        line += text.toUtf8() + '|';
    }
    if (dump)
        *dump += line + '\n';
    AXValue children;
    if (source.copyAttributeValue(element, AXAttribute::Children, children) == AXError::Success) {
        if (const ElementList *list = std::get_if<ElementList>(&children)) {
            hash.addData(QByteArray::number(qsizetype(list->size())) + '[');
            for (const ElementRef &child : *list)
                hashTree(source, child, hash, dump, depth + 1);
            hash.addData("]");
        }
    }
}

// One walk of the menu bar through the source, as the reader's first request makes it.
Sample walk(AtspiElementSource &source, int32_t pid, const Way &way, bool digest)
{
    source.setCacheUse(way.cache);
    source.setActionReads(way.actions);
    source.setTreeReads(way.tree);
    source.setWalkCalls(way.calls);
    const ElementRef app = source.applicationForPid(pid);
    AXValue value;
    if (!app || source.copyAttributeValue(app, AXAttribute::MenuBar, value) != AXError::Success)
        return Sample{0, 0, true, {}, {}};
    const AtspiReadStats stats = source.lastReadStats();
    Sample sample{stats.milliseconds, stats.menuItems, stats.stoppedByTimeout, stats.figures, {}};
    if (digest) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        QByteArray dump;
        const bool dumping = qEnvironmentVariableIsSet("TAVOLIN_DUMP_TREES");
        hashTree(source, std::get<ElementRef>(value), hash, dumping ? &dump : nullptr);
        sample.tree = hash.result().toHex().left(12);
        if (dumping) {
            QFile file(QStringLiteral("%1/tree-%2-%3.txt").arg(qEnvironmentVariable("TAVOLIN_DUMP_TREES")).arg(pid)
                           .arg(QString::fromLatin1(sample.tree)));
            if (file.open(QIODevice::WriteOnly))
                file.write(dump);
        }
    }
    return sample;
}

// The palette's reader end to end: application object, menus read in parallel, rows built.
Sample reader(const std::shared_ptr<AtspiElementSource> &source, int32_t pid)
{
    source->setCacheUse(AtspiCacheUse::On);
    source->setActionReads(AtspiActionReads::Single);
    source->setTreeReads(AtspiTreeReads::Items);
    source->setWalkCalls(AtspiWalkCalls::Streamed);
    QElapsedTimer timer;
    timer.start();
    const ElementRef ref = source->applicationForPid(pid);
    const AXAppPtr app = ref ? AXApp::create(source, g_dispatcher, AXAppHooks{}, ref) : nullptr;
    const menutool::MenuRead read = menutool::readApplicationRows(app, std::chrono::seconds(10));
    return Sample{double(timer.nsecsElapsed()) / 1e6, int(read.rows.size()), !read.complete || !read.hasMenuBar, {}, {}};
}

void printFigures(int32_t pid, const char *way, const AtspiCallFigures &figures)
{
    std::printf("%-8d   %s:", pid, way);
    for (int k = 0; k < kAtspiCallKinds; ++k) {
        if (figures.calls[k] > 0)
            std::printf("  %s %d(%d slow)/%.1fms", kCallNames[k], figures.calls[k], figures.slow[k],
                        figures.milliseconds[k]);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    const tavolin::QtLoopWithoutGlib loopWithoutGlib; // the palette's way; this program starts no other
    QCoreApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int runs = 5;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    auto source = std::make_shared<AtspiElementSource>(std::make_shared<AtspiThread>());
    if (!source->isReady()) {
        std::fprintf(stderr, "no accessibility bus\n");
        return 1;
    }
    std::printf("%-8s %-24s %6s %10s %10s %8s %9s  %s\n", "pid", "reading", "items", "median ms", "min ms", "ref/x",
                "µs/item", "tree");
    for (const QString &arg : args) {
        const int32_t pid = arg.toInt();
        walk(*source, pid, kWays[0], false); // warm-up: the bus connection and the application's own caches
        std::vector<double> series[kWayCount + 1];
        Sample last[kWayCount + 1];
        // Interleaved, so load on the machine falls on every way alike.
        for (int i = 0; i < runs; ++i) {
            for (int w = 0; w < kWayCount; ++w) {
                last[w] = walk(*source, pid, kWays[w], i == runs - 1);
                series[w].push_back(last[w].ms);
            }
            last[kWayCount] = reader(source, pid);
            series[kWayCount].push_back(last[kWayCount].ms);
        }
        const double reference = median(series[kReference]);
        for (int w = 0; w <= kWayCount; ++w) {
            const char *name = w < kWayCount ? kWays[w].name : "reader + rows";
            const double ms = median(series[w]);
            std::printf("%-8d %-24s %6d %10.1f %10.1f %7.2fx %9.1f  %s%s\n", pid, name, last[w].items, ms,
                        *std::min_element(series[w].begin(), series[w].end()), reference / std::max(0.001, ms),
                        1000 * ms / std::max(1, last[w].items), last[w].tree.constData(),
                        last[w].partial ? "  (partial!)" : "");
        }
        for (int w = 0; w < kWayCount; ++w)
            printFigures(pid, kWays[w].name, last[w].figures);
        std::fflush(stdout);
    }
    return 0;
}
