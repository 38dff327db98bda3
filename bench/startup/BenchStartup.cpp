// Time from process start to the main window shown (offscreen), for kitbox32
// and for a bare Qt program with one empty main window, and their ratio.
// Both programs print "shown" and end by themselves once their window is
// shown (KITBOX_EXIT_WHEN_SHOWN=1); the time runs to that line. kitbox32 runs on a fresh, empty home so that
// no settings file or other instance influences it.
//
// Process starts drift with the machine's load over a run, so both programs
// are started in short repetitions in random interleaved order, and the
// ratio is taken between the medians of their repetitions.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

QTemporaryDir &home()
{
    static QTemporaryDir dir;
    return dir;
}

QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KITBOX_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), home().path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home().path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("TMPDIR"), home().path());
    env.remove(QStringLiteral("VEDAMIS_CONFIG_DIR"));
    env.remove(QStringLiteral("windir"));
    return env;
}

// Times each start from launching the process to the moment its "shown"
// line arrives; the ending of the process afterwards is not part of the start.
void startUntilShown(benchmark::State &state, const char *program)
{
    const QString path = QStringLiteral(KITBOX_BIN_DIR "/") + QString::fromLatin1(program);
    const QProcessEnvironment env = environment();
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        process.start(path, {});
        QByteArray output;
        while (!output.contains("shown") && process.waitForReadyRead(30000))
            output += process.readAllStandardOutput();
        const double seconds = double(clock.nsecsElapsed()) * 1e-9;
        process.waitForFinished(30000);
        if (!output.contains("shown")) {
            state.SkipWithError((std::string(program) + " did not show its window").c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_BareMainWindowShown(benchmark::State &state)
{
    startUntilShown(state, "bench_bare_main_window");
}
constexpr int kRepetitions = 15;
constexpr int kStartsPerRepetition = 2;

BENCHMARK(BM_BareMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kStartsPerRepetition)
    ->Repetitions(kRepetitions);

void BM_KitboxMainWindowShown(benchmark::State &state)
{
    startUntilShown(state, "kitbox32");
}
BENCHMARK(BM_KitboxMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kStartsPerRepetition)
    ->Repetitions(kRepetitions);

// Keeps the real time per start of every repetition for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double median(const std::string &name) const
    {
        auto found = times.find(name);
        if (found == times.end() || found->second.empty())
            return 0.0;
        std::vector<double> sorted = found->second;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    std::map<std::string, std::vector<double>> times;
};

} // namespace

int main(int argc, char **argv)
{
    // Interleaved unless the command line says otherwise (a later flag wins).
    std::vector<char *> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bare = reporter.median("BM_BareMainWindowShown");
    const double kitbox = reporter.median("BM_KitboxMainWindowShown");
    if (bare > 0 && kitbox > 0) {
        std::printf("medians of %d repetitions: kitbox32 %.1f ms, bare main window %.1f ms\n", kRepetitions, kitbox,
                    bare);
        std::printf("start-up ratio kitbox32 / bare main window: %.2f (target <= 1.5)\n", kitbox / bare);
    }
    benchmark::Shutdown();
    return 0;
}
