// Shared by the benchmarks: collects the CPU time per iteration of every run
// and keeps, for each benchmark, the fastest of its repetitions. The minimum
// is the estimate least disturbed by other work on the machine, so ratios of
// two benchmarks measured in the same run stay meaningful.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace qm::bench {

// Repetitions of every benchmark whose time enters a ratio.
constexpr int kRepetitions = 5;

class MinTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0) {
                continue;
            }
            std::string name = run.benchmark_name();
            const std::size_t repeats = name.find("/repeats:");
            if (repeats != std::string::npos) {
                name.erase(repeats);
            }
            const double perIteration =
                run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto it = seconds.find(name);
            if (it == seconds.end()) {
                seconds.emplace(name, perIteration);
            } else {
                it->second = std::min(it->second, perIteration);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;  // fastest CPU seconds per iteration
};

}  // namespace qm::bench
