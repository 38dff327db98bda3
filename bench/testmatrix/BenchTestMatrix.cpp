// The test run's log against plain job runs, both through kitbox32-cli on the
// demo fleet's simulation: a matrix of 15 steps that each run a status job
// 1,000 times (kitbox32-cli test) against the same job run 15,000 times with
// kitbox32-cli run --repeat. The run's walk over the matrix, its time stamps,
// step lines and result lines may cost at most 30 % more than the reports of
// the same jobs. The time compared is the processor time of the program (its
// user and system time), which other load on a shared machine does not
// inflate; the wall time is shown beside it.
#include "RatioReporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int kSteps = 15;
constexpr int kRepetitions = 1000;
const QString kDescription = QStringLiteral("d_motor");
const QString kJob = QStringLiteral("status_motor");

QString g_testFile;
QProcessEnvironment g_environment;

// User and system time of the ended child processes so far.
double childSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs kitbox32-cli with these arguments as one iteration timed by its
// processor time and returns the bytes it wrote to standard output; a run
// that fails ends the benchmark with an error.
qint64 runCli(benchmark::State &state, const QStringList &arguments)
{
    const double before = childSeconds();
    QElapsedTimer wall;
    wall.start();
    QProcess cli;
    cli.setProcessEnvironment(g_environment);
    cli.setProgram(QStringLiteral(KITBOX_CLI));
    cli.setArguments(arguments);
    qint64 bytes = 0;
    QObject::connect(&cli, &QProcess::readyReadStandardOutput, [&] { bytes += cli.readAllStandardOutput().size(); });
    cli.start();
    if (!cli.waitForFinished(1200000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        state.SkipWithError(("kitbox32-cli " + arguments.first().toStdString() + " did not end cleanly: " +
                             cli.readAllStandardError().toStdString())
                                .c_str());
        return 0;
    }
    bytes += cli.readAllStandardOutput().size();
    state.SetIterationTime(childSeconds() - before);
    state.counters["wall ms"] = double(wall.elapsed());
    return bytes;
}

void report(benchmark::State &state, qint64 bytes)
{
    state.counters["jobs/s"] = benchmark::Counter(double(kSteps * kRepetitions), benchmark::Counter::kIsRate);
    state.counters["log MB/s"] = benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsRate);
    state.counters["log MB"] = double(bytes) / 1e6;
}

void BM_CliRunRepeat(benchmark::State &state)
{
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = runCli(state, {QStringLiteral("run"), kDescription, kJob, QStringLiteral("--repeat"),
                               QString::number(kSteps * kRepetitions)});
    report(state, bytes);
}

void BM_CliTestRun(benchmark::State &state)
{
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = runCli(state, {QStringLiteral("test"), g_testFile});
    report(state, bytes);
}

BENCHMARK(BM_CliRunRepeat)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseManualTime();
BENCHMARK(BM_CliTestRun)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_testmatrix: cannot create a temporary directory\n");
        return 1;
    }
    g_testFile = dir.filePath(QStringLiteral("BENCH.TST"));
    QFile file(g_testFile);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "bench_testmatrix: cannot write %s\n", qPrintable(g_testFile));
        return 1;
    }
    for (int step = 0; step < kSteps; ++step)
        file.write(QString(QString::number(kRepetitions) + u'|' + kDescription + u'|' + kJob + u"\r\n").toUtf8());
    file.close();
    // The runtime's built-in defaults (the demo fleet, simulation on) and a
    // settings directory of its own.
    g_environment = QProcessEnvironment::systemEnvironment();
    g_environment.insert(QStringLiteral("VEDAMIS_INI"), QString());
    g_environment.remove(QStringLiteral("KITBOX_RUNTIME_LIBRARY"));
    g_environment.insert(QStringLiteral("HOME"), dir.path());
    g_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    g_environment.insert(QStringLiteral("VEDAMIS_CONFIG_DIR"), dir.filePath(QStringLiteral("config")));
    std::printf("%d steps x %d repetitions of %s %s\n", kSteps, kRepetitions, qPrintable(kDescription),
                qPrintable(kJob));

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto run = reporter.seconds.find("BM_CliRunRepeat");
    const auto test = reporter.seconds.find("BM_CliTestRun");
    if (run == reporter.seconds.end() || test == reporter.seconds.end())
        return 1;
    const double ratio = test->second / run->second;
    std::printf("\nratio in this run (processor time of kitbox32-cli, best of 5):\n"
                "  test run %10.1f ms / run --repeat %10.1f ms = %5.2f  (target <= 1.3: %s)\n",
                test->second * 1e3, run->second * 1e3, ratio, ratio <= 1.3 ? "met" : "NOT met");
    return 0;
}
