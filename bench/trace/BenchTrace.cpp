// A 50 MB IFH.TRC of a long continuous run, loaded the way the trace window
// loads it (background reader, pieces into the line model on the event loop)
// against reading the file once in the same run. While it loads, a 1 ms timer
// on the event loop measures the longest time the loop did not answer.
#include "RatioReporter.h"
#include "trace/TraceLineModel.h"
#include "trace/TraceLoader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

QString g_path;
qint64 g_fileSize = 0;
double g_longestGapMs = 0;

bool writeTrace(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block;
    file.write("; IFH.TRC trace level 3 from 2026-12-05 19:52:55\n");
    for (int i = 0; block.size() < (1 << 20); ++i) {
        const QByteArray t = "19:52:" + QByteArray::number(10 + i % 50) + "." + QByteArray::number(100 + i % 900);
        block += t + " JOB D_MOTOR STATUS_MOTOR ARG \"\"\n";
        block += t + " REQ 22 F4 0C  ; 3 bytes\n";
        block += t + " SIM D_MOTOR.SIM:12\n";
        block += t + " RSP 62 F4 0C 0B " + QByteArray::number(i % 100 + 100) + "  ; 5 bytes, 0 ms\n";
        block += t + " END D_MOTOR STATUS_MOTOR sets 1 error 0\n";
    }
    for (qint64 written = 0; written < bytes; written += block.size())
        if (file.write(block) != block.size())
            return false;
    return true;
}

void BM_ReadFileOnce(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(g_path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open the trace");
            break;
        }
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * g_fileSize);
}
BENCHMARK(BM_ReadFileOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TraceWindowLoad(benchmark::State &state)
{
    for (auto _ : state) {
        kitbox::TraceLineModel model;
        kitbox::TraceLoader loader(model);
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(1);
        QElapsedTimer clock;
        qint64 last = 0;
        double longest = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, double(now - last) / 1e6);
            last = now;
        });
        QObject::connect(&loader, &kitbox::TraceLoader::finished, &loop, &QEventLoop::quit);
        clock.start();
        tick.start();
        loader.load(g_path);
        loop.exec();
        tick.stop();
        if (model.rowCount() < 1000) {
            state.SkipWithError("the trace was not loaded");
            break;
        }
        g_longestGapMs = std::max(g_longestGapMs, longest);
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["longest_gap_ms"] = g_longestGapMs;
    state.SetBytesProcessed(state.iterations() * g_fileSize);
}
BENCHMARK(BM_TraceWindowLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_trace: cannot create a temporary directory\n");
        return 1;
    }
    g_path = dir.filePath(QStringLiteral("IFH.TRC"));
    if (!writeTrace(g_path, qint64(50) << 20)) {
        std::fprintf(stderr, "bench_trace: cannot write %s\n", qPrintable(g_path));
        return 1;
    }
    g_fileSize = QFile(g_path).size();
    std::printf("trace: %lld bytes\n", static_cast<long long>(g_fileSize));

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto base = reporter.seconds.find("BM_ReadFileOnce");
    const auto load = reporter.seconds.find("BM_TraceWindowLoad");
    if (base != reporter.seconds.end() && load != reporter.seconds.end()) {
        const double ratio = load->second / base->second;
        std::printf("\nratios in this run:\n");
        std::printf("  trace window load %9.3f ms / read file once %9.3f ms = %6.2f  (target <= 2: %s)\n",
                    load->second * 1e3, base->second * 1e3, ratio, ratio <= 2.0 ? "met" : "NOT met");
        std::printf("  longest event-loop gap while loading: %.1f ms  (target < 50: %s)\n", g_longestGapMs,
                    g_longestGapMs < 50 ? "met" : "NOT met");
    }
    return 0;
}
