// Soak: a continuous run of the demo job D_MOTOR / status_motor through the
// job runner the results window drives (headless host, pause 0), for
// 1 000 000 jobs unless "--jobs N" asks for another count. Between two passes
// the loop waits up to 1 ms for user input; with nobody at the keyboard that
// wait only costs time (about 23 minutes for a million jobs), so it returns at
// once here unless "--real-wait" is given. It reports jobs
// per second and the resident memory at the start (after the first 1 % of
// the jobs, when caches and the report's buffers have their size), in the
// middle and at the end; the growth from start to end must stay below 5 %.
// The baseline, measured in the same run, is the same job's report built in
// a plain loop (BM_BackToBackReports): the ratio is what the continuous
// run's bookkeeping and event handling cost on top of the reports.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

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

const QString kDemoEcu = QStringLiteral("D_MOTOR");
const QString kDemoJob = QStringLiteral("status_motor");

InProcessVedamisApi *g_api = nullptr;
qint32 g_jobs = 1000000;
bool g_realWait = false;

// The system's time; its input wait handles the pending events and returns.
class NoWaitClock : public SystemClock {
public:
    void wait(int) override { QCoreApplication::processEvents(); }
};

double residentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

bool useDemoFleet()
{
    return g_api->apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral(KITBOX_DATA_DIR "/ecu")) &&
           g_api->apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")) &&
           g_api->apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1"));
}

// The windows of a continuous run, without windows. Every event round it
// notes the memory at the marks and stops the run after the last job.
class SoakHost : public bench::HeadlessRunHost {
public:
    SoakHost() : HeadlessRunHost(kDemoEcu, kDemoJob) {}
    void processEvents() override
    {
        QCoreApplication::processEvents();
        const qint32 done = m_runner ? m_runner->runCount() : 0;
        if (m_startMb == 0 && done >= std::max(1, g_jobs / 100)) {
            m_startMb = residentMb();
            m_startJobs = done;
            m_sinceStart.start();
        }
        if (m_middleMb == 0 && done >= g_jobs / 2)
            m_middleMb = residentMb();
        if (done >= g_jobs && !m_stopped) {
            m_stopped = true;
            m_endMb = residentMb();
            m_seconds = m_sinceStart.nsecsElapsed() / 1e9;
            m_runner->starteJobEndlos(); // the stop command, as the menu gives it
        }
    }

    JobRunner *m_runner = nullptr;
    bool m_stopped = false;
    double m_startMb = 0, m_middleMb = 0, m_endMb = 0;
    qint32 m_startJobs = 0;
    QElapsedTimer m_sinceStart;
    double m_seconds = 0;
};

void BM_SoakContinuousRun(benchmark::State &state)
{
    if (!useDemoFleet()) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    for (auto _ : state) {
        SystemClock systemClock;
        NoWaitClock noWaitClock;
        Clock &clock = g_realWait ? static_cast<Clock &>(systemClock) : noWaitClock;
        RunFlags flags;
        SoakHost host;
        ScriptedDialogService dialogs;
        ShellOptions options;
        JobRunner runner(*g_api, clock, flags, host, dialogs, TextCatalogue::shared(), options);
        host.m_runner = &runner;
        const double beforeMb = residentMb();
        runner.starteJobEndlos();
        if (!host.m_stopped || !host.m_results.text().contains(u"Satz : 1")) {
            state.SkipWithError("the continuous run ended early or the demo job delivered no results");
            return;
        }
        const double measured = double(runner.runCount() - host.m_startJobs);
        state.counters["jobs"] = double(runner.runCount());
        state.counters["jobs_per_s"] = host.m_seconds > 0 ? measured / host.m_seconds : 0;
        state.counters["rss_before_mb"] = beforeMb;
        state.counters["rss_start_mb"] = host.m_startMb;
        state.counters["rss_middle_mb"] = host.m_middleMb;
        state.counters["rss_end_mb"] = host.m_endMb;
    }
}
BENCHMARK(BM_SoakContinuousRun)->Unit(benchmark::kSecond)->Iterations(1);

void BM_BackToBackReports(benchmark::State &state)
{
    if (!useDemoFleet()) {
        state.SkipWithError("cannot configure the runtime");
        return;
    }
    ErgebnisAusgabe report(*g_api);
    JobParameter request;
    request.sgbd = kDemoEcu;
    request.job = kDemoJob;
    request.jobIndex = 0;
    ReportOptions options;
    options.errorLabel = TextCatalogue::shared().text(116);
    options.filterNotice = TextCatalogue::shared().text(117);
    for (auto _ : state)
        benchmark::DoNotOptimize(report.build(request, options));
    state.counters["jobs_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BackToBackReports)->Unit(benchmark::kMicrosecond);

// Takes "--jobs N" and "--real-wait" out of the arguments before the
// benchmark library sees them.
bool takeOwnArguments(int &argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--real-wait") == 0) {
            g_realWait = true;
            for (int j = i; j + 1 <= argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            --i;
            continue;
        }
        if (std::strcmp(argv[i], "--jobs") != 0)
            continue;
        if (i + 1 >= argc || std::atol(argv[i + 1]) < 100 || std::atol(argv[i + 1]) > 2000000000L)
            return false;
        g_jobs = qint32(std::atol(argv[i + 1]));
        for (int j = i; j + 2 <= argc; ++j)
            argv[j] = argv[j + 2];
        argc -= 2;
        --i;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (!takeOwnArguments(argc, argv)) {
        std::fprintf(stderr, "bench_soak: --jobs takes a count from 100 to 2000000000\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!TextCatalogue::shared().loadBuiltIn().ok()) {
        std::fprintf(stderr, "bench_soak: the text catalogue cannot be loaded\n");
        return 1;
    }
    InProcessVedamisApi api;
    if (!api.apiInit()) {
        std::fprintf(stderr, "bench_soak: the runtime refused the session: %d %s\n", int(api.apiErrorCode()),
                     qPrintable(api.apiErrorText()));
        return 1;
    }
    g_api = &api;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &counters = reporter.counters;
    auto counter = [&](const char *name) {
        auto it = counters.find(name);
        return it == counters.end() ? -1.0 : it->second;
    };
    const double jobs = counter("BM_SoakContinuousRun/jobs");
    const double rate = counter("BM_SoakContinuousRun/jobs_per_s");
    const double plain = counter("BM_BackToBackReports/jobs_per_s");
    const double start = counter("BM_SoakContinuousRun/rss_start_mb");
    const double end = counter("BM_SoakContinuousRun/rss_end_mb");
    std::printf("\nsoak in this run:\n");
    if (rate > 0 && plain > 0)
        std::printf("  continuous run %.0f jobs (%s): %.0f jobs/s, back to back %.0f jobs/s = %5.2f\n", jobs,
                    g_realWait ? "with the 1 ms input wait" : "input wait skipped", rate, plain, rate / plain);
    if (start > 0 && end > 0) {
        const double growth = (end - start) / start * 100.0;
        std::printf("  resident memory: %.1f MB before, %.1f MB at the start, %.1f MB in the middle, %.1f MB at the "
                    "end: growth %+.2f %%  (target < 5 %%: %s)\n",
                    counter("BM_SoakContinuousRun/rss_before_mb"), start, counter("BM_SoakContinuousRun/rss_middle_mb"),
                    end, growth, growth < 5.0 ? "met" : "NOT met");
    }
    std::fflush(stdout);
    api.apiEnd();
    return 0;
}
