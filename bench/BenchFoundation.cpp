// Foundation benchmarks. Each is compared with reading the large description
// once (BM_ReadFileOnce) in the same run; the ratios are printed at the end.
#include "BenchContext.h"
#include "LargeDescription.h"
#include "RatioReporter.h"

#include <prg/Prg.h>
#include <sifter/sifter.h>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {
namespace {
std::string g_directory;
std::string g_largePath;
} // namespace

const std::string &benchDirectory()
{
    return g_directory;
}

const std::string &largeDescriptionPath()
{
    return g_largePath;
}

} // namespace bench

namespace {

// The baseline: the whole file into memory with plain system calls.
void BM_ReadFileOnce(benchmark::State &state)
{
    const std::string &path = bench::largeDescriptionPath();
    int64_t total = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            state.SkipWithError("cannot open the large description");
            break;
        }
        std::string bytes(static_cast<size_t>(st.st_size), '\0');
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
        total += static_cast<int64_t>(done);
    }
    state.SetBytesProcessed(total);
}
BENCHMARK(BM_ReadFileOnce)->Unit(benchmark::kMillisecond);

// What loading a description costs the catalogue: locate the info block and
// every table. The cache is cleared first so that each pass parses the file.
void BM_SifterInfoAndAllTables(benchmark::State &state)
{
    const char *path = bench::largeDescriptionPath().c_str();
    for (auto _ : state) {
        SIFTER_CLEAR_CACHE();
        int32_t infoOffset = 0, infoLength = 0, tableAreaEnd = 0, tableCount = 0;
        if (SIFTER_INFO(path, &infoOffset, &infoLength, &tableAreaEnd, &tableCount) != SIFTER_OK) {
            state.SkipWithError("SIFTER_INFO failed");
            break;
        }
        SifterTableEntry entry;
        int64_t cells = 0;
        for (int32_t i = 0; i < tableCount; ++i) {
            if (SIFTER_TABLE(path, &entry, i) != SIFTER_OK) {
                state.SkipWithError("SIFTER_TABLE failed");
                break;
            }
            cells += int64_t{entry.columnCount} * (entry.rowCount + 1);
        }
        benchmark::DoNotOptimize(cells);
    }
}
BENCHMARK(BM_SifterInfoAndAllTables)->Unit(benchmark::kMillisecond);

// The container reader on the whole file (what the engine does when it loads a description).
void BM_PrgReadDescriptionFile(benchmark::State &state)
{
    for (auto _ : state) {
        auto description = prg::readDescriptionFile(bench::largeDescriptionPath());
        if (!description) {
            state.SkipWithError(description.error().c_str());
            break;
        }
        benchmark::DoNotOptimize(description.value().tables.data());
    }
}
BENCHMARK(BM_PrgReadDescriptionFile)->Unit(benchmark::kMillisecond);

// The same file with its tables left for later, as an engine can hold it.
void BM_PrgDescriptionFileLoad(benchmark::State &state)
{
    for (auto _ : state) {
        auto file = prg::DescriptionFile::load(bench::largeDescriptionPath());
        if (!file) {
            state.SkipWithError(file.error().c_str());
            break;
        }
        benchmark::DoNotOptimize(file.value().script().data());
    }
}
BENCHMARK(BM_PrgDescriptionFileLoad)->Unit(benchmark::kMillisecond);

struct Target {
    const char *name;
    const char *baseline;
    double limit; // at most this many times the baseline; 0: ratio for information only
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::string pattern = (std::filesystem::temp_directory_path() / "kitbox-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "bench_foundation: cannot create a temporary directory: %s\n", std::strerror(errno));
        return 1;
    }
    bench::g_directory = pattern;
    bench::g_largePath = pattern + "/BENCH_GROSS.prg";
    const bench::LargeDescriptionOptions options;
    if (auto written = bench::writeLargeDescription(bench::g_largePath, options); !written) {
        std::fprintf(stderr, "bench_foundation: %s\n", written.error().c_str());
        std::filesystem::remove_all(pattern);
        return 1;
    }
    std::printf("large description: %s, %ju bytes, %d jobs, %d tables\n", bench::g_largePath.c_str(),
                static_cast<uintmax_t>(std::filesystem::file_size(bench::g_largePath)), options.jobs, options.tables);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const Target targets[] = {
        {"BM_SifterInfoAndAllTables", "BM_ReadFileOnce", 2.0}, {"BM_PrgReadDescriptionFile", "BM_ReadFileOnce", 0.0},
        {"BM_PrgDescriptionFileLoad", "BM_ReadFileOnce", 0.0}, {"BM_EngineLoadAndJobs", "BM_ReadFileOnce", 3.0},
        {"BM_EngineJobRoundTrip", "BM_BareLuaJobBody", 5.0},   {"BM_FileWatchCheck", "BM_BareLuaJobBody", 0.0},
    };
    const auto &seconds = reporter.seconds;
    std::printf("\nratios in this run:\n");
    for (const Target &target : targets) {
        auto it = seconds.find(target.name);
        auto base = seconds.find(target.baseline);
        if (it == seconds.end() || base == seconds.end() || base->second <= 0)
            continue;
        const double ratio = it->second / base->second;
        std::printf("  %-26s %10.4f ms / %-18s %10.4f ms = %6.2f", target.name, it->second * 1e3, target.baseline,
                    base->second * 1e3, ratio);
        if (target.limit > 0)
            std::printf("  (target <= %.0f: %s)", target.limit, ratio <= target.limit ? "met" : "NOT met");
        std::printf("\n");
    }
    if (auto it = seconds.find("BM_EngineJobRoundTrip"); it != seconds.end() && it->second > 0)
        std::printf("  job round trip: %.0f jobs per second\n", 1.0 / it->second);
    std::fflush(stdout);
    std::filesystem::remove_all(pattern);
    return 0;
}
