// Ranking speed of the command search over realistic menu rows: titles and paths in several scripts, with a
// few history rows. Prints rows scored per second on one core for warm rows (folded forms cached), the cost
// of a row's first search (folding, transliteration) separately, and two references over the same texts:
// a plain case-insensitive QString::contains filter in this process, and `fzf --filter` (one thread) when it
// is installed.
#include "palette/MenuItemData.h"
#include "palette/SearchUtils.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <random>

namespace tavolin {
namespace {

// Menu vocabulary per script: top-level menus, submenus and commands.
struct Vocabulary
{
    QStringList menus;
    QStringList commands;
};

const std::vector<Vocabulary> &vocabularies()
{
    static const std::vector<Vocabulary> v{
        {{u"File"_qs, u"Edit"_qs, u"View"_qs, u"Format"_qs, u"Tools"_qs, u"Window"_qs, u"Help"_qs, u"Export As"_qs},
         {u"New Window"_qs, u"Open…"_qs, u"Save"_qs, u"Save As…"_qs, u"Close Tab"_qs, u"Print Preview"_qs,
          u"Undo Typing"_qs, u"Redo"_qs, u"Cut"_qs, u"Copy"_qs, u"Paste and Match Style"_qs, u"Select All"_qs,
          u"Find and Replace…"_qs, u"Zoom In"_qs, u"Zoom Out"_qs, u"Show Sidebar"_qs, u"Word Wrap"_qs,
          u"Convert to Uppercase"_qs, u"Insert Date/Time"_qs, u"Preferences…"_qs}},
        {{u"Datei"_qs, u"Bearbeiten"_qs, u"Ansicht"_qs, u"Übersetzen"_qs, u"Fenster"_qs},
         {u"Öffnen…"_qs, u"Speichern unter…"_qs, u"Rückgängig"_qs, u"Einfügen"_qs, u"Schließen"_qs,
          u"Größe ändern"_qs, u"Alles auswählen"_qs, u"Vergrößern"_qs}},
        {{u"Fichier"_qs, u"Édition"_qs, u"Affichage"_qs, u"Fenêtre"_qs},
         {u"Enregistrer sous…"_qs, u"Préférences…"_qs, u"Sélectionner tout"_qs, u"Aperçu avant impression"_qs,
          u"Coller et adapter le style"_qs, u"Rétablir"_qs}},
        {{u"Файл"_qs, u"Правка"_qs, u"Вид"_qs, u"Окно"_qs, u"Справка"_qs},
         {u"Открыть…"_qs, u"Сохранить как…"_qs, u"Отменить"_qs, u"Вставить"_qs, u"Выделить всё"_qs,
          u"Найти и заменить"_qs, u"Увеличить"_qs}},
        {{u"文件"_qs, u"编辑"_qs, u"视图"_qs, u"窗口"_qs},
         {u"新建窗口"_qs, u"打开…"_qs, u"另存为…"_qs, u"撤销"_qs, u"粘贴"_qs, u"全选"_qs, u"查找和替换"_qs}},
        {{u"ファイル"_qs, u"編集"_qs, u"表示"_qs},
         {u"開く…"_qs, u"名前を付けて保存…"_qs, u"元に戻す"_qs, u"貼り付け"_qs, u"すべて選択"_qs}},
        {{u"Αρχείο"_qs, u"Επεξεργασία"_qs, u"Προβολή"_qs},
         {u"Άνοιγμα…"_qs, u"Αποθήκευση ως…"_qs, u"Αναίρεση"_qs, u"Επικόλληση"_qs}},
    };
    return v;
}

// About two thirds English rows, the rest spread over the other scripts; 1 row in 50 is a history row.
QList<MenuItemDataPtr> makeRows(int count)
{
    std::mt19937 random(42);
    const auto &vocab = vocabularies();
    QList<MenuItemDataPtr> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const size_t script = (random() % 3 != 0) ? 0 : 1 + random() % (vocab.size() - 1);
        const Vocabulary &v = vocab[script];
        QStringList path{v.menus[random() % v.menus.size()]};
        const int depth = static_cast<int>(random() % 3);
        for (int d = 0; d < depth; ++d)
            path.append(v.menus[random() % v.menus.size()]);
        QString title = v.commands[random() % v.commands.size()];
        if (random() % 4 == 0)
            title += QStringLiteral(" %1").arg(i % 97);
        auto row = std::make_shared<MenuItemData>(title, path, false, std::nullopt, QString());
        if (i % 50 == 0)
            row->setHistoryIndex(static_cast<int>((i / 50) % 10));
        row->setExpands(random() % 10 == 0);
        rows.append(std::move(row));
    }
    return rows;
}

const QList<MenuItemDataPtr> &warmRows(int count)
{
    static std::map<int, QList<MenuItemDataPtr>> cache;
    auto it = cache.find(count);
    if (it == cache.end()) {
        it = cache.emplace(count, makeRows(count)).first;
        SearchUtils().search(u"x"_qs, it->second); // fills every row's folded forms
    }
    return it->second;
}

const QString kQueries[] = {u"s"_qs, u"sa"_qs, u"save"_qs};

QString queryFor(int length)
{
    return length == 1 ? kQueries[0] : length == 2 ? kQueries[1] : kQueries[2];
}

void noRules()
{
    static const bool installed = [] {
        MenuItemData::setIgnorableOptionLookup([](const QString &, const QString &) { return std::optional<int64_t>(); });
        return true;
    }();
    (void)installed;
}

void BM_SearchWarm(benchmark::State &state)
{
    noRules();
    const int count = static_cast<int>(state.range(0));
    const QString query = queryFor(static_cast<int>(state.range(1)));
    const QList<MenuItemDataPtr> &rows = warmRows(count);
    qsizetype found = 0;
    SearchUtils search;
    for (auto _ : state) {
        const QList<MenuItemDataPtr> result = search.search(query, rows);
        found = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["listed"] = double(found);
    state.SetLabel(("\"" + query + "\"").toStdString());
}

// First search over fresh rows: folding every form and transliterating titles, then ranking.
void BM_SearchFirst(benchmark::State &state)
{
    noRules();
    const int count = static_cast<int>(state.range(0));
    SearchUtils search;
    for (auto _ : state) {
        state.PauseTiming();
        QList<MenuItemDataPtr> rows = makeRows(count);
        state.ResumeTiming();
        benchmark::DoNotOptimize(search.search(u"sa"_qs, rows).size());
        state.PauseTiming();
        rows.clear();
        state.ResumeTiming();
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
}

// Building the rows themselves (path transliteration happens here).
void BM_RowCreation(benchmark::State &state)
{
    noRules();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(makeRows(count).size());
    state.counters["rows_per_s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
}

// Reference: the cheapest filter Qt offers, case-insensitive containment of the title, nothing ranked.
void BM_ReferenceQStringContains(benchmark::State &state)
{
    noRules();
    const int count = static_cast<int>(state.range(0));
    const QString query = queryFor(static_cast<int>(state.range(1)));
    const QList<MenuItemDataPtr> &rows = warmRows(count);
    for (auto _ : state) {
        qsizetype found = 0;
        for (const MenuItemDataPtr &row : rows)
            found += row->title().contains(query, Qt::CaseInsensitive) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetLabel(("\"" + query + "\"").toStdString());
}

// Reference: fzf over "path title" lines, one thread, process start included (measured per run).
void BM_ReferenceFzf(benchmark::State &state)
{
    const QString fzf = QStandardPaths::findExecutable(QStringLiteral("fzf"));
    if (fzf.isEmpty()) {
        state.SkipWithError("fzf not installed");
        return;
    }
    noRules();
    const int count = static_cast<int>(state.range(0));
    const QString query = queryFor(static_cast<int>(state.range(1)));
    QTemporaryFile input;
    input.open();
    for (const MenuItemDataPtr &row : warmRows(count))
        input.write((row->path().join(QLatin1Char(' ')) + QLatin1Char(' ') + row->title() + QLatin1Char('\n')).toUtf8());
    input.flush();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GOMAXPROCS"), QStringLiteral("1"));
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(input.fileName());
        process.start(fzf, {QStringLiteral("--filter=") + query});
        process.waitForFinished(10000);
        benchmark::DoNotOptimize(process.readAllStandardOutput().size());
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetLabel(("\"" + query + "\"").toStdString());
}

void sizesAndQueries(benchmark::internal::Benchmark *b)
{
    for (int64_t count : {5000, 50000})
        for (int64_t length : {1, 2, 4})
            b->Args({count, length});
}

BENCHMARK(BM_SearchWarm)->Apply(sizesAndQueries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceQStringContains)->Apply(sizesAndQueries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceFzf)->Apply(sizesAndQueries)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SearchFirst)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RowCreation)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace tavolin

BENCHMARK_MAIN();
