// The catalogue fill of a large description (every job's information, every
// table with its text and column widths) compared with reading the file once,
// in the same run. Also reports the memory the filled catalogue holds
// against the file size.
#include "LargeDescription.h"
#include "RatioReporter.h"
#include "catalogue/CatalogueFill.h"
#include "catalogue/SifterEntryPoints.h"
#include "catalogue/TableTextReader.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/ProgramOptions.h"
#include "shell/TextCatalogue.h"

#include <sifter/sifter.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <map>
#include <string>

namespace {

QString g_path;
QStringList g_jobs;
qint64 g_fileSize = 0;
double g_longestGapMs = -1;

struct Setup {
    kitbox::FakeVedamisApi api; // answers "_VERSIONINFO" without bases; the runtime is not measured here
    kitbox::InProcessSifterApi sifter;
    TextCatalogue texts;
    kitbox::CatalogueHost host;
    kitbox::CatalogueOptions options;

    Setup()
    {
        (void)texts.loadBuiltIn();
        (void)api.apiInit();
        options.tableErrorFilePath = QString(); // the generated tables hold no control characters
    }

    void fill(kitbox::JobCatalogue &catalogue)
    {
        catalogue.loadedName = QStringLiteral("BENCH_GROSS");
        catalogue.descriptionPath = g_path;
        catalogue.jobList = g_jobs;
        kitbox::CatalogueFill run(api, sifter, texts, host);
        run.run(catalogue, QString(), int(g_jobs.size()), true, options);
    }
};

void BM_ReadFileOnce(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(g_path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open the large description");
            break;
        }
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * g_fileSize);
}
BENCHMARK(BM_ReadFileOnce)->Unit(benchmark::kMillisecond);

void BM_CatalogueFill(benchmark::State &state)
{
    Setup setup;
    for (auto _ : state) {
        // Every pass locates the file anew.
        SIFTER_CLEAR_CACHE();
        kitbox::JobCatalogue catalogue;
        setup.fill(catalogue);
        if (catalogue.tables.size() < 2 || catalogue.jobInfo.first().isEmpty()) {
            state.SkipWithError("the catalogue was not filled");
            break;
        }
        benchmark::DoNotOptimize(catalogue.tableAreas.constData());
    }
    state.SetBytesProcessed(state.iterations() * g_fileSize);
}
BENCHMARK(BM_CatalogueFill)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// What the options window does to a loaded description: the language switched
// and the detail options switched on for a description loaded without them,
// then the catalogue gathered again as the window's refill does (no reset).
void BM_OptionSwitchRegather(benchmark::State &state)
{
    Setup setup;
    setup.options.jobInfo = setup.options.argInfo = setup.options.resultInfo = false;
    kitbox::JobCatalogue loaded;
    setup.fill(loaded);
    bool english = false;
    for (auto _ : state) {
        state.PauseTiming();
        kitbox::JobCatalogue catalogue = loaded;
        catalogue.tableAreas.detach();
        ShellOptions shell;
        kitbox::CatalogueOptions options = setup.options;
        state.ResumeTiming();
        english = !english;
        kitbox::ProgramOptions::set(shell, kitbox::OptionBox::Language, english);
        setup.texts.selectLanguage(shell.language);
        for (auto box : {kitbox::OptionBox::JobInfo, kitbox::OptionBox::ArgInfo, kitbox::OptionBox::ResInfo})
            kitbox::ProgramOptions::set(shell, box, true);
        options.jobInfo = shell.jobInfo != 0;
        options.argInfo = shell.argInfo != 0;
        options.resultInfo = shell.resInfo != 0;
        SIFTER_CLEAR_CACHE();
        kitbox::CatalogueFill run(setup.api, setup.sifter, setup.texts, setup.host);
        run.run(catalogue, QString(), int(g_jobs.size()), false, options);
        if (catalogue.jobInfo.value(1).isEmpty()) {
            state.SkipWithError("the detail texts were not gathered");
            break;
        }
        benchmark::DoNotOptimize(catalogue.argSummary.constData());
    }
}
BENCHMARK(BM_OptionSwitchRegather)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same switch and regather as the options window starts it, from the
// event loop: a zero timer fires on every round of the loop, so the longest
// time between two firings is how long the window would not handle events.
void BM_OptionSwitchEventGap(benchmark::State &state)
{
    Setup setup;
    setup.options.jobInfo = setup.options.argInfo = setup.options.resultInfo = false;
    kitbox::JobCatalogue loaded;
    setup.fill(loaded);
    qint64 longestGapNs = 0;
    for (auto _ : state) {
        kitbox::JobCatalogue catalogue = loaded;
        catalogue.tableAreas.detach();
        QEventLoop loop;
        QElapsedTimer sinceLast;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longestGapNs = std::max(longestGapNs, sinceLast.nsecsElapsed());
            sinceLast.restart();
        });
        int switches = 0;
        std::function<void()> next = [&] {
            ShellOptions shell;
            kitbox::CatalogueOptions options = setup.options;
            kitbox::ProgramOptions::set(shell, kitbox::OptionBox::Language, switches % 2 == 0);
            setup.texts.selectLanguage(shell.language);
            const bool on = switches % 2 == 0;
            for (auto box : {kitbox::OptionBox::JobInfo, kitbox::OptionBox::ArgInfo, kitbox::OptionBox::ResInfo})
                kitbox::ProgramOptions::set(shell, box, on);
            options.jobInfo = shell.jobInfo != 0;
            options.argInfo = shell.argInfo != 0;
            options.resultInfo = shell.resInfo != 0;
            SIFTER_CLEAR_CACHE();
            kitbox::CatalogueFill run(setup.api, setup.sifter, setup.texts, setup.host);
            run.run(catalogue, QString(), int(g_jobs.size()), false, options);
            if (++switches < 10)
                QTimer::singleShot(5, next);
            else
                QTimer::singleShot(5, &loop, &QEventLoop::quit);
        };
        QTimer::singleShot(5, next);
        sinceLast.start();
        probe.start();
        loop.exec();
        probe.stop();
    }
    state.counters["longest_gap_ms"] = double(longestGapNs) / 1e6;
    g_longestGapMs = double(longestGapNs) / 1e6;
}
BENCHMARK(BM_OptionSwitchEventGap)->Unit(benchmark::kMillisecond)->Iterations(3);

// The two halves of the fill on their own, to show where the time goes.
void fillPart(benchmark::State &state, bool tables)
{
    Setup setup;
    setup.options.tableInfo = tables;
    setup.options.jobInfo = setup.options.argInfo = setup.options.resultInfo = !tables;
    for (auto _ : state) {
        SIFTER_CLEAR_CACHE();
        kitbox::JobCatalogue catalogue;
        setup.fill(catalogue);
        benchmark::DoNotOptimize(catalogue.tables.constData());
    }
}
void BM_FillTablesOnly(benchmark::State &state)
{
    fillPart(state, true);
}
void BM_FillInfoTextsOnly(benchmark::State &state)
{
    fillPart(state, false);
}
BENCHMARK(BM_FillTablesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillInfoTextsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Measuring every table once its bytes are in memory, on one thread: the
// processor's share of the table half without the reading.
void BM_MeasureTablesOnly(benchmark::State &state)
{
    Setup setup;
    kitbox::JobCatalogue catalogue;
    setup.fill(catalogue);
    const kitbox::TableTextReader reader(setup.options.screenWidthTwips);
    const kitbox::TableErrorTexts texts;
    QString findings;
    for (auto _ : state) {
        for (int t = 0; t < catalogue.tables.size(); ++t) {
            kitbox::TableDescription &table = catalogue.tables[t];
            table.columnWidth.fill(0);
            reader.scan(catalogue.tableBytes(t), table, texts, findings);
        }
        benchmark::DoNotOptimize(catalogue.tables.constData());
    }
}
BENCHMARK(BM_MeasureTablesOnly)->Unit(benchmark::kMillisecond);

// Bytes the heap holds for a filled catalogue (measured by the allocator).
qint64 retainedBytes()
{
    Setup setup;
    const size_t before = mallinfo2().uordblks;
    qint64 held = 0;
    {
        kitbox::JobCatalogue catalogue;
        setup.fill(catalogue);
        held = qint64(mallinfo2().uordblks) - qint64(before);
    }
    return held;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_catalogue: cannot create a temporary directory\n");
        return 1;
    }
    g_path = dir.filePath(QStringLiteral("BENCH_GROSS.prg"));
    bench::LargeDescriptionOptions options;
    const kitbox::Status written = bench::writeLargeDescription(g_path.toStdString(), options);
    if (!written.ok()) {
        std::fprintf(stderr, "bench_catalogue: %s\n", written.error().c_str());
        return 1;
    }
    for (int i = 1; i <= options.jobs; ++i)
        g_jobs.append(QString::fromStdString(bench::largeJobName(i)).toLower());
    g_fileSize = QFile(g_path).size();
    std::printf("large description: %lld bytes, %d jobs, %d tables\n", static_cast<long long>(g_fileSize), options.jobs,
                options.tables);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto base = reporter.seconds.find("BM_ReadFileOnce");
    const auto fill = reporter.seconds.find("BM_CatalogueFill");
    std::printf("\nratios in this run:\n");
    if (base != reporter.seconds.end() && fill != reporter.seconds.end()) {
        const double ratio = fill->second / base->second;
        std::printf("  catalogue fill %10.3f ms / read file once %10.3f ms = %6.2f  (target <= 3: %s)\n",
                    fill->second * 1e3, base->second * 1e3, ratio, ratio <= 3.0 ? "met" : "NOT met");
        // On a busy machine the wall-clock times mostly measure waiting; the
        // processor times (of all threads of the fill) show the work itself.
        const double cpuBase = reporter.cpuSeconds["BM_ReadFileOnce"];
        const double cpuFill = reporter.cpuSeconds["BM_CatalogueFill"];
        if (cpuBase > 0)
            std::printf("  processor time: catalogue fill %10.3f ms / read file once %10.3f ms = %6.2f\n",
                        cpuFill * 1e3, cpuBase * 1e3, cpuFill / cpuBase);
    }
    const auto regather = reporter.seconds.find("BM_OptionSwitchRegather");
    if (regather != reporter.seconds.end() && fill != reporter.seconds.end()) {
        const double ratio = regather->second / fill->second;
        std::printf("  option switch and regather %10.3f ms / catalogue fill %10.3f ms = %6.2f  (target <= 1.2: %s)\n",
                    regather->second * 1e3, fill->second * 1e3, ratio, ratio <= 1.2 ? "met" : "NOT met");
    }
    if (g_longestGapMs >= 0)
        std::printf("  longest event-loop gap while switching options %8.3f ms  (target < 50 ms: %s)\n", g_longestGapMs,
                    g_longestGapMs < 50 ? "met" : "NOT met");
    const qint64 held = retainedBytes();
    const double memoryRatio = double(held) / double(g_fileSize);
    std::printf("  catalogue memory %lld bytes / file %lld bytes = %6.2f  (target <= 3: %s)\n",
                static_cast<long long>(held), static_cast<long long>(g_fileSize), memoryRatio,
                memoryRatio <= 3.0 ? "met" : "NOT met");
    return 0;
}
