// Showing a table of 200 000 rows and 20 columns in the table viewer's grid
// model, against splitting the same table text into its cells once, in the
// same run. Also reports the memory the shown table holds against its text.
#include "LargeDescription.h"
#include "LargeTable.h"
#include "RatioReporter.h"
#include "catalogue/CatalogueFill.h"
#include "catalogue/SifterEntryPoints.h"
#include "catalogue/TableGridModel.h"
#include "catalogue/TableText.h"
#include "catalogue/TableTextReader.h"
#include "catalogue/TableViewerRules.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/TextCatalogue.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

kitbox::JobCatalogue g_catalogue;
int g_table = -1;
QByteArray g_text; // the table text as the catalogue gives it

// One screen of the grid as a view asks for it: the header and 40 rows of every column.
qsizetype paintFirstScreen(const kitbox::TableGridModel &model)
{
    qsizetype characters = 0;
    for (int c = 0; c < model.columnCount(); ++c)
        characters += model.headerData(c, Qt::Horizontal).toString().size();
    for (int r = 0; r < qMin(40, model.rowCount()); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            characters += model.data(model.index(r, c)).toString().size();
    return characters;
}

// The baseline: every cell of the text found once (TAB and CR are the only separators).
void BM_SplitTextOnce(benchmark::State &state)
{
    for (auto _ : state) {
        const char *at = g_text.constData();
        const char *end = at + g_text.size();
        qsizetype cells = 0;
        qsizetype rows = 0;
        while (at < end) {
            const char *tab = static_cast<const char *>(std::memchr(at, '\t', size_t(end - at)));
            const char *cr = static_cast<const char *>(std::memchr(at, '\r', size_t(end - at)));
            const char *next = tab && (!cr || tab < cr) ? tab : cr;
            if (!next)
                break;
            if (next == tab)
                ++cells;
            else
                ++rows;
            at = next + 1;
        }
        benchmark::DoNotOptimize(cells);
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(state.iterations() * g_text.size());
}
BENCHMARK(BM_SplitTextOnce)->Unit(benchmark::kMillisecond);

// The model over a plain table text (as the tests and other callers give it):
// the row ends are found, the columns marked and the first screen drawn.
void BM_ShowTextInModel(benchmark::State &state)
{
    kitbox::TableGridModel model;
    for (auto _ : state) {
        kitbox::TableText text(g_text, bench::largeTableColumns);
        QList<bool> marked = kitbox::TableViewerRules::markedColumns(text.columnNames(), QStringLiteral("SPALTE_2"));
        model.setTable(std::move(text), std::move(marked));
        benchmark::DoNotOptimize(paintFirstScreen(model));
    }
    state.SetBytesProcessed(state.iterations() * g_text.size());
}
BENCHMARK(BM_ShowTextInModel)->Unit(benchmark::kMillisecond);

// What the viewer does when a table is chosen: the model over the bytes the
// catalogue keeps, the columns marked and the first screen drawn.
void BM_ShowTableFromCatalogue(benchmark::State &state)
{
    kitbox::TableGridModel model;
    for (auto _ : state) {
        kitbox::TableText text = kitbox::TableText::fromCatalogue(g_catalogue, g_table);
        QList<bool> marked = kitbox::TableViewerRules::markedColumns(text.columnNames(), QString());
        model.setTable(std::move(text), std::move(marked));
        benchmark::DoNotOptimize(paintFirstScreen(model));
    }
    state.SetBytesProcessed(state.iterations() * g_text.size());
}
BENCHMARK(BM_ShowTableFromCatalogue)->Unit(benchmark::kMillisecond);

// Narrowing the rows with the quick filter.
void BM_QuickFilter(benchmark::State &state)
{
    kitbox::TableGridModel model;
    model.setTable(kitbox::TableText::fromCatalogue(g_catalogue, g_table));
    int flip = 0;
    for (auto _ : state) {
        model.setFilter(flip++ % 2 ? QStringLiteral("eintrag 1999") : QStringLiteral("Eintrag 1999"));
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_QuickFilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_table_viewer: cannot create a temporary directory\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("D_TABELLE_GROSS.prg"));
    const kitbox::Status written = bench::writeLargeTableDescription(path.toStdString(), "D_TABELLE_GROSS",
                                                                     bench::largeTableRows, bench::largeTableColumns);
    if (!written.ok()) {
        std::fprintf(stderr, "bench_table_viewer: %s\n", written.error().c_str());
        return 1;
    }
    // The catalogue filled as loading fills it.
    kitbox::FakeVedamisApi api;
    (void)api.apiInit();
    kitbox::InProcessSifterApi sifter;
    TextCatalogue texts;
    (void)texts.loadBuiltIn();
    kitbox::CatalogueHost host;
    kitbox::CatalogueOptions options;
    g_catalogue.loadedName = QStringLiteral("D_TABELLE_GROSS");
    g_catalogue.descriptionPath = path;
    g_catalogue.jobList = {QString::fromStdString(bench::largeJobName(1)).toLower()};
    kitbox::CatalogueFill fill(api, sifter, texts, host);
    fill.run(g_catalogue, QString(), 1, true, options);
    g_table = kitbox::TableViewerRules::findTable(g_catalogue, QString::fromStdString(bench::largeTableName));
    if (g_table < 0) {
        std::fprintf(stderr, "bench_table_viewer: the large table was not read\n");
        return 1;
    }
    g_text = kitbox::TableTextReader::textUtf8(g_catalogue.tableBytes(g_table), g_catalogue.tables.at(g_table));
    std::printf("table %s: %d rows, %d columns, text %lld bytes\n", bench::largeTableName.c_str(),
                g_catalogue.tables.at(g_table).rowCount, g_catalogue.tables.at(g_table).columnCount,
                static_cast<long long>(g_text.size()));

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nratios in this run:\n");
    const double base = reporter.seconds["BM_SplitTextOnce"];
    for (const char *name : {"BM_ShowTextInModel", "BM_ShowTableFromCatalogue"}) {
        const double shown = reporter.seconds[name];
        if (base > 0 && shown > 0)
            std::printf("  %-26s %9.3f ms / split text once %9.3f ms = %5.2f  (target <= 1.5 and < 100 ms: %s)\n", name,
                        shown * 1e3, base * 1e3, shown / base, shown / base <= 1.5 && shown < 0.1 ? "met" : "NOT met");
    }
    const kitbox::TableText shown = kitbox::TableText::fromCatalogue(g_catalogue, g_table);
    const double memory = double(shown.memoryBytes()) / double(g_text.size());
    std::printf("  shown table memory %lld bytes / table text %lld bytes = %5.3f  (target <= 1.5: %s)\n",
                static_cast<long long>(shown.memoryBytes()), static_cast<long long>(g_text.size()), memory,
                memory <= 1.5 ? "met" : "NOT met");
    return 0;
}
