// Result report benchmarks.
//
// BM_BuildReport builds the report of a job with 10 000 results of mixed
// types; BM_ReadResults starts the same job and makes the same runtime reads
// without laying out any text, which is the baseline: the report may take at
// most twice as long. BM_ContinuousRun runs a demo simulation job
// continuously with pause 0 for one second inside a live event loop and
// reports jobs per second and the longest stretch without event handling;
// BM_BackToBackReports is the same job's report built in a plain loop.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "HeadlessRunHost.h"
#include "RatioReporter.h"
#include "execution/ErgebnisAusgabe.h"
#include "execution/JobRunHost.h"
#include "execution/JobRunner.h"
#include "execution/ResultsOutput.h"
#include "execution/RunFlags.h"
#include "runtime/InProcessVedamisApi.h"
#include "shell/Clock.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

using namespace kitbox;

namespace {

const QString kBenchEcu = QStringLiteral("BENCH_BERICHT");
const QString kBenchJob = QStringLiteral("ZEHNTAUSEND");
const QString kDemoEcu = QStringLiteral("D_MOTOR");
const QString kDemoJob = QStringLiteral("status_motor");

InProcessVedamisApi *g_api = nullptr;

bool useDirectories(const QString &ecuDir, const QString &simDir)
{
    return g_api->apiSetConfig(QStringLiteral("EcuPath"), ecuDir) &&
           g_api->apiSetConfig(QStringLiteral("SimulationPath"), simDir) &&
           g_api->apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1"));
}

JobParameter requestFor(const QString &ecu, const QString &job)
{
    JobParameter p;
    p.sgbd = ecu;
    p.job = job;
    p.jobIndex = 0;
    return p;
}

ReportOptions germanOptions()
{
    ReportOptions o;
    o.errorLabel = TextCatalogue::shared().text(116);
    o.filterNotice = TextCatalogue::shared().text(117);
    return o;
}

struct ReadResult {
    QString name;
    qint16 type = 0;
    QString value;
    QString hex;
    QByteArray binary;
};

// The reads a report makes, kept in plain storage.
qsizetype readAllResults(VedamisApi &api, std::vector<ReadResult> &out)
{
    out.clear();
    api.apiJob(kBenchEcu, kBenchJob, QString(), QString());
    qint16 sets = 0;
    if (!api.apiResultSets(sets))
        return 0;
    for (qint16 set = 0; set <= sets; ++set) {
        qint16 count = 0;
        api.apiResultNumber(count, set);
        for (qint16 i = 1; i <= count; ++i) {
            ReadResult r;
            if (api.apiResultName(r.name, i, set) && api.apiResultFormat(r.type, r.name, set)) {
                if (r.type == qint16(ResultType::Binary)) {
                    if (!api.apiResultBinary(r.binary, r.name, set) &&
                        api.apiErrorCode() == VedamisApi::errorBinaryTooLong)
                        api.apiResultBinaryExt(r.binary, r.name, set);
                } else if (api.apiResultText(r.value, r.name, set, QString()) && set > 0 && r.type <= 5) {
                    const char16_t *format = r.type <= 1 ? u"02X" : r.type <= 3 ? u"04X" : u"08X";
                    api.apiResultText(r.hex, r.name, set, QString::fromUtf16(format));
                }
            }
            api.apiErrorCode();
            out.push_back(std::move(r));
        }
    }
    return qsizetype(out.size());
}

void BM_ReadResults(benchmark::State &state)
{
    if (!useDirectories(QStringLiteral(BENCH_REPORT_ECU_DIR), QStringLiteral(BENCH_REPORT_ECU_DIR))) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    std::vector<ReadResult> results;
    results.reserve(10100);
    qsizetype count = 0;
    for (auto _ : state) {
        count = readAllResults(*g_api, results);
        benchmark::DoNotOptimize(results.data());
    }
    if (count < 10000)
        state.SkipWithError("the benchmark job did not deliver its 10 000 results");
    state.counters["results"] = double(count);
}
BENCHMARK(BM_ReadResults)->Unit(benchmark::kMillisecond);

void BM_BuildReport(benchmark::State &state)
{
    if (!useDirectories(QStringLiteral(BENCH_REPORT_ECU_DIR), QStringLiteral(BENCH_REPORT_ECU_DIR))) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    ErgebnisAusgabe report(*g_api);
    const JobParameter request = requestFor(kBenchEcu, kBenchJob);
    const ReportOptions options = germanOptions();
    QString text;
    for (auto _ : state) {
        text = report.build(request, options);
        benchmark::DoNotOptimize(text.constData());
    }
    if (report.lastErrorCode() != 0)
        state.SkipWithError("the benchmark job failed");
    state.counters["chars"] = double(text.size());
}
BENCHMARK(BM_BuildReport)->Unit(benchmark::kMillisecond);

void BM_ContinuousRun(benchmark::State &state)
{
    if (!useDirectories(QStringLiteral(KITBOX_DATA_DIR "/ecu"), QStringLiteral(KITBOX_DATA_DIR "/sim"))) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    SystemClock clock;
    RunFlags flags;
    bench::HeadlessRunHost host(kDemoEcu, kDemoJob);
    ScriptedDialogService dialogs;
    ShellOptions options;
    JobRunner runner(*g_api, clock, flags, host, dialogs, TextCatalogue::shared(), options);

    double jobs = 0;
    double seconds = 0;
    qint64 longestGapNs = 0;
    for (auto _ : state) {
        // A zero timer fires on every round of the event loop: the time
        // between two firings is how long the loop went without events.
        QElapsedTimer sinceLast;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longestGapNs = std::max(longestGapNs, sinceLast.nsecsElapsed());
            sinceLast.restart();
        });
        QTimer::singleShot(1000, [&] {
            if (flags.continuousRun)
                runner.starteJobEndlos();
        });
        QElapsedTimer wall;
        wall.start();
        sinceLast.start();
        probe.start();
        runner.starteJobEndlos();
        probe.stop();
        seconds += wall.nsecsElapsed() / 1e9;
        jobs += runner.runCount();
    }
    if (!host.m_results.text().contains(u"Satz : 1"))
        state.SkipWithError("the demo job did not deliver its results");
    state.counters["jobs_per_s"] = seconds > 0 ? jobs / seconds : 0;
    state.counters["longest_gap_ms"] = double(longestGapNs) / 1e6;
}
BENCHMARK(BM_ContinuousRun)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BackToBackReports(benchmark::State &state)
{
    if (!useDirectories(QStringLiteral(KITBOX_DATA_DIR "/ecu"), QStringLiteral(KITBOX_DATA_DIR "/sim"))) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    ErgebnisAusgabe report(*g_api);
    const JobParameter request = requestFor(kDemoEcu, kDemoJob);
    const ReportOptions options = germanOptions();
    for (auto _ : state)
        benchmark::DoNotOptimize(report.build(request, options));
    state.counters["jobs_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BackToBackReports)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!TextCatalogue::shared().loadBuiltIn().ok()) {
        std::fprintf(stderr, "bench_report: the text catalogue cannot be loaded\n");
        return 1;
    }
    InProcessVedamisApi api;
    if (!api.apiInit()) {
        std::fprintf(stderr, "bench_report: the runtime refused the session: %d %s\n", int(api.apiErrorCode()),
                     qPrintable(api.apiErrorText()));
        return 1;
    }
    g_api = &api;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &seconds = reporter.seconds;
    const auto &counters = reporter.counters;
    std::printf("\nratios in this run:\n");
    auto build = seconds.find("BM_BuildReport");
    auto read = seconds.find("BM_ReadResults");
    if (build != seconds.end() && read != seconds.end() && read->second > 0) {
        const double ratio = build->second / read->second;
        std::printf("  %-22s %10.3f ms / %-16s %10.3f ms = %5.2f  (target <= 2: %s)\n", "BM_BuildReport",
                    build->second * 1e3, "BM_ReadResults", read->second * 1e3, ratio, ratio <= 2.0 ? "met" : "NOT met");
    }
    auto loop = counters.find("BM_ContinuousRun/jobs_per_s");
    auto plain = counters.find("BM_BackToBackReports/jobs_per_s");
    auto gap = counters.find("BM_ContinuousRun/longest_gap_ms");
    if (loop != counters.end() && plain != counters.end() && plain->second > 0)
        std::printf("  continuous run %.0f jobs/s, back to back %.0f jobs/s = %5.2f\n", loop->second, plain->second,
                    loop->second / plain->second);
    if (gap != counters.end())
        std::printf("  longest time without event handling: %.2f ms  (target <= 50: %s)\n", gap->second,
                    gap->second <= 50.0 ? "met" : "NOT met");
    std::fflush(stdout);
    api.apiEnd();
    return 0;
}
