// Time from process start to the main window shown (offscreen), for kitbox32
// and for a bare Qt program with one empty main window, and their ratio.
// Both programs print "shown" and end by themselves once their window is
// shown (KITBOX_EXIT_WHEN_SHOWN=1); the time runs to that line. kitbox32 runs on a fresh, empty home so that
// no settings file or other instance influences it.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <string>

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
BENCHMARK(BM_BareMainWindowShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_KitboxMainWindowShown(benchmark::State &state)
{
    startUntilShown(state, "kitbox32");
}
BENCHMARK(BM_KitboxMainWindowShown)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// Keeps the real time per iteration of every run for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (!run.error_occurred && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto bare = reporter.times.find("BM_BareMainWindowShown/iterations:10/manual_time");
    const auto kitbox = reporter.times.find("BM_KitboxMainWindowShown/iterations:10/manual_time");
    if (bare != reporter.times.end() && kitbox != reporter.times.end() && bare->second > 0) {
        std::printf("start-up ratio kitbox32 / bare main window: %.2f (target <= 1.5)\n",
                    kitbox->second / bare->second);
    }
    benchmark::Shutdown();
    return 0;
}
