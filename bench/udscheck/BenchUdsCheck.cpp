// The UDS function-table check of a description whose SG_FUNKTIONEN has
// 5,000 rows pointing to 2,000 result tables, against loading that
// description once as the workbench does, in the same run and, for the
// figure, in the same iterations. Loading here is the whole of
// DescriptionLoader::load with the tables read: the runtime opens the file
// and lists its jobs, the locator reads the info block and the table
// directory, and the fill keeps the table bytes and scans every cell once for
// widths and control characters; it decodes no cell into text, which the
// check does for every cell it judges.
//
// Then kitbox32-cli check on fleets of 200 descriptions with one worker
// against two, beside two bounds of that speed-up: the pace of two processes
// of plain arithmetic against one (what the machine's two processors give),
// and the check of a single description (what no number of workers divides).
//
// The machine is shared: the ratios are printed from real time (the
// targets), with the load average before and after, so that a busy run can
// be told from a slow one.
#include "RatioReporter.h"
#include "catalogue/CatalogueFill.h"
#include "catalogue/DescriptionLoader.h"
#include "catalogue/SifterEntryPoints.h"
#include "runtime/InProcessVedamisApi.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <prg/Prg.h>
#include <sifter/sifter.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString g_path;

// 200 descriptions in a directory, and one of them alone.
struct Fleet {
    const char *label;
    int rows;
    int tables;
    QString directory;
    QString single;
};
// The small fleet is the figure's; the large one shows how far the workers
// scale once the start of the program is a small part of the whole.
Fleet g_fleets[] = {{"fleet", 500, 100, {}, {}}, {"large", 2000, 400, {}, {}}};

std::string hex4(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

// A description the check finds clean: rows of service 22 whose results are
// in their result tables, each table with three well-formed rows.
prg::Description makeUdsDescription(const std::string &name, int rows, int tables)
{
    prg::Description d;
    d.infoBlock = "ECU:" + name +
                  "\nORIGIN:Kitbox32 benchmark\nREVISION:1.00\nAUTHOR:bench_uds_check\n"
                  "JOBNAME:IDENT\nJOBCOMMENT:identification\nRESULT:JOB_STATUS\nRESULTTYPE:text\n";
    d.script = "ecu {\n  name = \"" + name +
               "\",\n  origin = \"Kitbox32 benchmark\",\n  revision = \"1.00\",\n"
               "  author = \"bench_uds_check\",\n}\n\njob \"IDENT\" {\n"
               "  results = { { name = \"JOB_STATUS\", type = \"text\" } },\n"
               "  run = function() result(\"JOB_STATUS\", \"text\", \"OKAY\") end,\n}\n";

    prg::Table functions;
    functions.name = "SG_FUNKTIONEN";
    functions.cells = {"ARG",  "ID",  "LABEL", "RESULTNAME", "INFO",    "EINHEIT",     "DATENTYP",
                       "NAME", "MUL", "DIV",   "ADD",        "SERVICE", "ARG_TABELLE", "RES_TABELLE"};
    functions.columns = uint32_t(functions.cells.size());
    for (int r = 0; r < rows; ++r) {
        const std::string n = std::to_string(r);
        char table[16];
        std::snprintf(table, sizeof table, "RES_%04d", r % tables);
        for (const std::string &cell :
             {"FUNKTION_" + n, hex4(0x4000 + r), "Funktion " + n, std::string("-"), "Beschreibung " + n,
              std::string("-"), std::string("-"), std::string("-"), std::string("-"), std::string("-"),
              std::string("-"), std::string("22"), std::string("-"), std::string(table)})
            functions.cells.push_back(cell);
        functions.rows = uint32_t(r + 1);
    }
    d.tables.push_back(std::move(functions));

    for (int t = 0; t < tables; ++t) {
        prg::Table result;
        char table[16];
        std::snprintf(table, sizeof table, "RES_%04d", t);
        result.name = table;
        result.cells = {"RESULTNAME", "EINHEIT", "DATENTYP", "NAME", "MUL", "DIV", "ADD", "BYTE", "INFO"};
        result.columns = uint32_t(result.cells.size());
        for (int r = 0; r < 3; ++r) {
            const std::string n = std::to_string(t) + "_" + std::to_string(r);
            for (const std::string &cell :
                 {"STAT_WERT_" + n + "_WERT", std::string("degC"), std::string("unsigned int"), std::string("-"),
                  std::string("1"), std::string("10"), std::string("0"), std::to_string(r * 2), "Wert " + n})
                result.cells.push_back(cell);
            result.rows = uint32_t(r + 1);
        }
        d.tables.push_back(std::move(result));
    }
    return d;
}

// Loading as the workbench does it: the runtime takes the description and
// lists its jobs, the locator reads its tables, the catalogue is filled.
struct Setup {
    kitbox::InProcessVedamisApi api;
    kitbox::InProcessSifterApi sifter;
    kitbox::ScriptedDialogService dialogs;
    TextCatalogue texts;
    kitbox::CatalogueHost host;
    kitbox::CatalogueOptions options;

    Setup()
    {
        (void)texts.loadBuiltIn();
        (void)api.apiInit();
        options.udsCheckActive = true; // no boxes
    }
    ~Setup() { api.apiEnd(); }

    void load(kitbox::JobCatalogue &catalogue)
    {
        kitbox::DescriptionLoader loader(api, sifter, dialogs, texts, host);
        (void)loader.load(catalogue, g_path, options);
    }
};

void BM_LoadOnce(benchmark::State &state)
{
    Setup setup;
    for (auto _ : state) {
        SIFTER_CLEAR_CACHE();
        kitbox::JobCatalogue catalogue;
        setup.load(catalogue);
        if (catalogue.ownTableIndex(QStringLiteral("SG_FUNKTIONEN")) < 0 || catalogue.jobList.isEmpty()) {
            state.SkipWithError("the description was not loaded");
            break;
        }
        benchmark::DoNotOptimize(catalogue.tables.constData());
    }
}
BENCHMARK(BM_LoadOnce)->Unit(benchmark::kMillisecond);

void BM_UdsCheck(benchmark::State &state)
{
    Setup setup;
    kitbox::JobCatalogue catalogue;
    setup.load(catalogue);
    int findings = -1;
    for (auto _ : state) {
        const kitbox::UdsCheckReport report = kitbox::UdsCheck(catalogue, setup.texts).run(catalogue.loadedName);
        findings = report.findings;
        benchmark::DoNotOptimize(report.text.constData());
    }
    // A clean table is the worst case: every row runs through every rule.
    if (findings != 0)
        state.SkipWithError("the generated description is not clean");
}
BENCHMARK(BM_UdsCheck)->Unit(benchmark::kMillisecond);

// The same two, one after the other in every iteration, as the workbench
// does them: the machine's pace drifts over seconds here, and two figures
// taken from the same moments are not thrown by it. Medians of each.
void BM_LoadThenCheck(benchmark::State &state)
{
    Setup setup;
    std::vector<double> loads;
    std::vector<double> checks;
    for (auto _ : state) {
        SIFTER_CLEAR_CACHE();
        kitbox::JobCatalogue catalogue;
        const auto start = std::chrono::steady_clock::now();
        setup.load(catalogue);
        const auto loaded = std::chrono::steady_clock::now();
        const kitbox::UdsCheckReport report = kitbox::UdsCheck(catalogue, setup.texts).run(catalogue.loadedName);
        const auto checked = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(report.text.constData());
        if (report.findings != 0) {
            state.SkipWithError("the generated description was not loaded, or is not clean");
            return;
        }
        loads.push_back(std::chrono::duration<double, std::milli>(loaded - start).count());
        checks.push_back(std::chrono::duration<double, std::milli>(checked - loaded).count());
    }
    const auto median = [](std::vector<double> &values) {
        std::nth_element(values.begin(), values.begin() + qsizetype(values.size() / 2), values.end());
        return values.at(values.size() / 2);
    };
    state.counters["load_ms"] = median(loads);
    state.counters["check_ms"] = median(checks);
}
BENCHMARK(BM_LoadThenCheck)->Unit(benchmark::kMillisecond)->MinTime(1.0);

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::string loadAverage()
{
    char text[64] = "?";
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(text, sizeof text, f))
            text[0] = 0;
        std::fclose(f);
    }
    std::string line(text);
    return line.substr(0, line.find(' ', line.find(' ', line.find(' ') + 1) + 1));
}

// The CPU time of the workers (and the parent CLI) per run is a counter: on a
// busy machine it shows whether two workers did more work, or only got less
// of the processors than one.
void runCli(benchmark::State &state, const QString &what, int jobs)
{
    const double cpuBefore = childrenCpuSeconds();
    for (auto _ : state) {
        QProcess cli;
        cli.setProgram(QStringLiteral(KITBOX_CLI));
        cli.setArguments({QStringLiteral("check"), what, QStringLiteral("--jobs"), QString::number(jobs)});
        cli.setStandardOutputFile(QProcess::nullDevice());
        cli.start();
        // A complaint on standard error means the fleet is not what it
        // claims to be (the runtime refused a script, say), and the timing
        // would be of a different path.
        if (!cli.waitForFinished(600000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0 ||
            !cli.readAllStandardError().isEmpty()) {
            state.SkipWithError("kitbox32-cli check did not end cleanly");
            break;
        }
    }
    state.counters["cpu_ms"] = (childrenCpuSeconds() - cpuBefore) * 1e3 / double(state.iterations());
}
// One description of a fleet: the part of a check that no number of
// workers divides (the program's start, the runtime session, a first
// description read cold, the end), which bounds the speed-up on that fleet.
void BM_CliCheckOneDescription(benchmark::State &state)
{
    runCli(state, g_fleets[state.range(0)].single, 1);
}
void BM_CliCheckOneWorker(benchmark::State &state)
{
    runCli(state, g_fleets[state.range(0)].directory, 1);
}
void BM_CliCheckTwoWorkers(benchmark::State &state)
{
    runCli(state, g_fleets[state.range(0)].directory, 2);
}
BENCHMARK(BM_CliCheckOneDescription)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CliCheckOneWorker)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CliCheckTwoWorkers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same fixed loop of arithmetic in one process and in two at once. On a
// machine whose two processors share one core, or whose host is busy, two
// processes run at well under twice the pace of one; that pace is the
// ceiling of any speed-up two workers can reach, so it is printed beside it.
void spinInProcesses(benchmark::State &state, int processes)
{
    for (auto _ : state) {
        for (int i = 0; i < processes; ++i) {
            if (::fork() == 0) {
                volatile unsigned long sum = 0;
                for (unsigned long k = 0; k < 60'000'000UL; ++k)
                    sum = sum + k;
                ::_exit(0);
            }
        }
        for (int i = 0; i < processes; ++i)
            ::wait(nullptr);
    }
}
void BM_SpinOneProcess(benchmark::State &state)
{
    spinInProcesses(state, 1);
}
void BM_SpinTwoProcesses(benchmark::State &state)
{
    spinInProcesses(state, 2);
}
BENCHMARK(BM_SpinOneProcess)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SpinTwoProcesses)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The speed-up of two workers on a fleet, beside what start-up and the
// machine leave of it: what one description costs is paid once whatever the
// number of workers, and only the rest can be shared (Amdahl's bound).
void printFleetRatios(RatioReporter &reporter, const Fleet &fleet, int index, double ceiling, bool target)
{
    const auto seconds = [&](const char *name) {
        const auto found = reporter.seconds.find(std::string(name) + "/" + std::to_string(index));
        return found == reporter.seconds.end() ? 0.0 : found->second;
    };
    const double one = seconds("BM_CliCheckOneWorker");
    const double two = seconds("BM_CliCheckTwoWorkers");
    const double single = seconds("BM_CliCheckOneDescription");
    if (one <= 0 || two <= 0)
        return;
    const double speedup = one / two;
    std::printf("  %s (%d rows): check --jobs 1 %7.1f ms / --jobs 2 %7.1f ms = %5.2f times faster", fleet.label,
                fleet.rows, one * 1e3, two * 1e3, speedup);
    if (target)
        std::printf("  (target >= 1.7: %s)", speedup >= 1.7 ? "met" : "NOT met");
    std::printf("\n    CPU time of all processes per run: --jobs 1 %.1f ms, --jobs 2 %.1f ms\n",
                reporter.counters["BM_CliCheckOneWorker/" + std::to_string(index) + "/cpu_ms"],
                reporter.counters["BM_CliCheckTwoWorkers/" + std::to_string(index) + "/cpu_ms"]);
    if (single <= 0 || single >= one)
        return;
    const double shared = one - single;
    const double atCeiling = one / (single + shared / ceiling);
    std::printf("    one description %.1f ms: two workers can be at most %.2f times faster on two full cores, %.2f "
                "at the ceiling; --jobs 2 reaches %.0f %% of that\n",
                single * 1e3, one / (single + shared / 2), atCeiling, 100 * speedup / atCeiling);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_uds_check: cannot create a temporary directory\n");
        return 1;
    }
    g_path = dir.filePath(QStringLiteral("BENCH_UDS.prg"));
    if (const kitbox::Status s = prg::writeFile(g_path.toStdString(), makeUdsDescription("BENCH_UDS", 5000, 2000));
        !s.ok()) {
        std::fprintf(stderr, "bench_uds_check: %s\n", s.error().c_str());
        return 1;
    }
    for (Fleet &fleet : g_fleets) {
        fleet.directory = dir.filePath(QLatin1String(fleet.label));
        QDir().mkpath(fleet.directory);
        for (int i = 0; i < 200; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "D_UDS%03d", i);
            const QString path = fleet.directory + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".prg");
            if (const kitbox::Status s =
                    prg::writeFile(path.toStdString(), makeUdsDescription(name, fleet.rows, fleet.tables));
                !s.ok()) {
                std::fprintf(stderr, "bench_uds_check: %s\n", s.error().c_str());
                return 1;
            }
            if (i == 0)
                fleet.single = path;
        }
    }
    std::printf("SG_FUNKTIONEN: 5000 rows, 2000 result tables; fleets of 200 descriptions: /0 of %d rows and %d "
                "result tables each, /1 of %d rows and %d\n",
                g_fleets[0].rows, g_fleets[0].tables, g_fleets[1].rows, g_fleets[1].tables);

    const std::string loadBefore = loadAverage();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nload average (1, 5, 15 min) before %s, after %s on %d cores\n", loadBefore.c_str(),
                loadAverage().c_str(), QThread::idealThreadCount());
    std::printf("ratios in this run:\n");
    if (reporter.counters.count("BM_LoadThenCheck/load_ms") && reporter.counters["BM_LoadThenCheck/load_ms"] > 0) {
        const double loadMs = reporter.counters["BM_LoadThenCheck/load_ms"];
        const double checkMs = reporter.counters["BM_LoadThenCheck/check_ms"];
        const double ratio = checkMs / loadMs;
        std::printf("  UDS check %10.3f ms / load once %10.3f ms = %6.2f, each after the other in every iteration "
                    "(target <= 1.5: %s)\n",
                    checkMs, loadMs, ratio, ratio <= 1.5 ? "met" : "NOT met");
    }
    const auto load = reporter.seconds.find("BM_LoadOnce");
    const auto check = reporter.seconds.find("BM_UdsCheck");
    if (load != reporter.seconds.end() && check != reporter.seconds.end())
        std::printf("  apart: %10.3f ms / %10.3f ms = %6.2f in real time, %.2f in CPU time\n", check->second * 1e3,
                    load->second * 1e3, check->second / load->second,
                    reporter.cpuSeconds["BM_UdsCheck"] / reporter.cpuSeconds["BM_LoadOnce"]);
    const auto spinOne = reporter.seconds.find("BM_SpinOneProcess");
    const auto spinTwo = reporter.seconds.find("BM_SpinTwoProcesses");
    double ceiling = 2;
    if (spinOne != reporter.seconds.end() && spinTwo != reporter.seconds.end()) {
        ceiling = std::max(1.0, 2 * spinOne->second / spinTwo->second);
        std::printf("  two processes of plain arithmetic run at %.2f times the pace of one here: the ceiling of any "
                    "two-worker speed-up\n",
                    ceiling);
    }
    for (int f = 0; f < 2; ++f)
        printFleetRatios(reporter, g_fleets[f], f, ceiling, f == 0);
    return 0;
}
