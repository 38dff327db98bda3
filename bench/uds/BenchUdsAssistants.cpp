// Filling the status-read list and building the UDS result preview for a
// SG_FUNKTIONEN of 5,000 rows, each compared with one pass over the table's
// text in the same run.
#include "UdsTestCatalogue.h"
#include "uds/ControlAssistant.h"
#include "uds/StatusReadAssistant.h"
#include "uds/UdsResultPreview.h"
#include "uds/UdsTable.h"

#include "RatioReporter.h"
#include "shell/TextCatalogue.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using kitbox::test::s;

constexpr int kRows = 5000;

kitbox::JobCatalogue g_catalogue;
QString g_previewArgument;

QString label(int i)
{
    return QStringLiteral("Funktion %1").arg(i, 5, 10, QLatin1Char('0'));
}

void buildCatalogue()
{
    using kitbox::test::TestTable;
    QList<QStringList> rows{{s("ARG"), s("ID"), s("LABEL"), s("RESULTNAME"), s("INFO"), s("EINHEIT"), s("DATENTYP"),
                             s("NAME"), s("MUL"), s("DIV"), s("ADD"), s("SERVICE"), s("ARG_TABELLE"),
                             s("RES_TABELLE")}};
    for (int i = 0; i < kRows; ++i) {
        const QString n = QString::number(i);
        // Most rows read, every fourth controls; every third reads through its result table.
        const QString service = i % 4 == 3 ? s("2F") : (i % 8 == 1 ? s("22;2E") : s("22"));
        const bool table = i % 3 == 0;
        rows.append({s("ARG_") + n, QStringLiteral("0x%1").arg(i + 0x1000, 4, 16, QLatin1Char('0')), label(i),
                     table ? s("-") : s("STAT_WERT_") + n + s("_WERT"), s("Beschreibung der Funktion ") + n, s("1/min"),
                     s("unsigned int"), s("-"), s("1"), s("4"), s("0"), service, i % 4 == 3 ? s("ARG_BENCH") : s("-"),
                     table ? s("RES_BENCH_") + QString::number(i % 50) : s("-")});
    }
    kitbox::test::addTable(g_catalogue, TestTable(s("SG_FUNKTIONEN"), rows));
    for (int t = 0; t < 50; ++t) {
        QList<QStringList> res{{s("RESULTNAME"), s("EINHEIT"), s("DATENTYP"), s("NAME"), s("MUL"), s("DIV")}};
        for (int r = 0; r < 6; ++r)
            res.append({QStringLiteral("STAT_T%1_R%2_WERT").arg(t).arg(r), s("V"), s("unsigned int"), s("-"), s("1"),
                        s("1000")});
        kitbox::test::addTable(g_catalogue, TestTable(s("RES_BENCH_") + QString::number(t), res));
    }
    QStringList parts{s("LABEL")};
    for (int i = 0; i < kRows; i += kRows / 10)
        parts << label(i + 8);
    g_previewArgument = parts.join(u';');
}

void BM_TableTextOnePass(benchmark::State &state)
{
    const int index = kitbox::UdsTable::lookup(g_catalogue, s("SG_FUNKTIONEN"));
    for (auto _ : state) {
        const QString text = g_catalogue.tableTextAt(index);
        qsizetype cells = 0;
        for (const QChar c : text)
            cells += c == u'\t' ? 1 : 0;
        benchmark::DoNotOptimize(cells);
    }
}
BENCHMARK(BM_TableTextOnePass)->Unit(benchmark::kMillisecond);

void BM_StatusReadList(benchmark::State &state)
{
    for (auto _ : state) {
        kitbox::StatusReadAssistant assistant(g_catalogue);
        benchmark::DoNotOptimize(assistant.entries().size());
    }
}
BENCHMARK(BM_StatusReadList)->Unit(benchmark::kMillisecond);

void BM_StatusReadListWithInfo(benchmark::State &state)
{
    kitbox::StatusReadAssistant assistant(g_catalogue);
    for (auto _ : state) {
        assistant.setInfo(true);
        benchmark::DoNotOptimize(assistant.entries().size());
    }
}
BENCHMARK(BM_StatusReadListWithInfo)->Unit(benchmark::kMillisecond);

void BM_ResultPreview(benchmark::State &state)
{
    for (auto _ : state) {
        const QStringList lines = kitbox::UdsResultPreview::lines(g_catalogue, s("STATUS_LESEN"), g_previewArgument);
        if (lines.size() < 20)
            state.SkipWithError("the preview found too few functions");
        benchmark::DoNotOptimize(lines.size());
    }
}
BENCHMARK(BM_ResultPreview)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    buildCatalogue();
    std::printf("SG_FUNKTIONEN: %d rows, table text %lld characters\n", kRows,
                static_cast<long long>(g_catalogue.tableTextAt(0).size()));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto base = reporter.seconds.find("BM_TableTextOnePass");
    if (base == reporter.seconds.end())
        return 0;
    std::printf("\nratios in this run (targets: <= 3 and under 20 ms):\n");
    for (const char *name : {"BM_StatusReadList", "BM_StatusReadListWithInfo", "BM_ResultPreview"}) {
        const auto it = reporter.seconds.find(name);
        if (it == reporter.seconds.end())
            continue;
        const double ratio = it->second / base->second;
        std::printf("  %-26s %8.3f ms / one pass %8.3f ms = %5.2f  (%s)\n", name, it->second * 1e3, base->second * 1e3,
                    ratio, ratio <= 3.0 && it->second < 0.020 ? "met" : "NOT met");
    }
    return 0;
}
