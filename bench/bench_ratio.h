// Shared by the benchmarks: collects the CPU and elapsed time per iteration of
// every run and keeps, for each benchmark, the fastest of its repetitions. The minimum
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
            const double iterations = static_cast<double>(run.iterations);
            KeepFastest(seconds, name, run.cpu_accumulated_time / iterations);
            KeepFastest(elapsed, name, run.real_accumulated_time / iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;  // fastest CPU seconds per iteration
    std::map<std::string, double> elapsed;  // fastest elapsed seconds per iteration

private:
    static void KeepFastest(std::map<std::string, double>& times, const std::string& name,
                            double perIteration) {
        auto it = times.find(name);
        if (it == times.end()) {
            times.emplace(name, perIteration);
        } else {
            it->second = std::min(it->second, perIteration);
        }
    }
};

}  // namespace qm::bench
