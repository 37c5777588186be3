#pragma once

// For the benchmark programs: the usual console table, then the ratio of each of our paths to
// its baseline measured in the same run (ours / baseline; 1.0 means no cost).

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Two benchmark names as the table shows them ("BM_Load/10240/real_time"), and the label
    // their ratio is printed under (by default our benchmark's name).
    struct Pair {
        std::string ours;
        std::string baseline;
        std::string label = {};
    };

    RatioReporter(std::string title, std::vector<Pair> pairs)
        : title_(std::move(title))
        , pairs_(std::move(pairs)) {}

    // Runs the benchmarks the command line chose, then prints the ratios.
    void runBenchmarks() {
        benchmark::RunSpecifiedBenchmarks(this);
        printRatios();
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // A run that stopped on an error has no time worth comparing.
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred)
                seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }

private:
    void printRatios() const {
        std::printf("\nratio (%s):\n", title_.c_str());
        for (const auto& pair : pairs_) {
            auto ours = seconds_.find(pair.ours);
            auto baseline = seconds_.find(pair.baseline);
            if (ours == seconds_.end() || baseline == seconds_.end() || baseline->second <= 0)
                continue;
            std::printf("  %-24s %6.2f\n", (pair.label.empty() ? pair.ours : pair.label).c_str(),
                        ours->second / baseline->second);
        }
    }

    std::string title_;
    std::vector<Pair> pairs_;
    std::map<std::string, double> seconds_;
};
