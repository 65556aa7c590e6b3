#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Collects the CPU time per iteration of every run, so that a benchmark can
// report ratios against its baseline from the same run (on a shared machine
// the wall time also counts the waits for a busy core).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[r.benchmark_name()] = r.cpu_accumulated_time / double(r.iterations);
        }
    }

    // Seconds per iteration of the named run; 0 when it did not run.
    double at(const std::string &name) const
    {
        const auto it = seconds.find(name);
        return it == seconds.end() ? 0 : it->second;
    }

    std::map<std::string, double> seconds;
};
