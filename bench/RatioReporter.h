#pragma once
// The console output of Google Benchmark as usual, plus what each benchmark
// measured, so that main() can print its ratio to a baseline of the same run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Per benchmark function, and argument if it has one ("function/arg"):
    // seconds of real and CPU time per iteration (with repetitions, the
    // best), and the last value of each counter as "function/counter".
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpuSeconds;
    std::map<std::string, double> counters;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? std::string() : "/" + run.run_name.args);
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            keepBest(seconds, name, run.GetAdjustedRealTime() / unit);
            keepBest(cpuSeconds, name, run.GetAdjustedCPUTime() / unit);
            for (const auto &[counter, value] : run.counters)
                counters[name + "/" + counter] = value.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    static void keepBest(std::map<std::string, double> &times, const std::string &name, double time)
    {
        auto [it, inserted] = times.emplace(name, time);
        if (!inserted && time < it->second)
            it->second = time;
    }
};
