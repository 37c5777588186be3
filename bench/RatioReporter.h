#pragma once

// For the benchmark programs: the usual console table, then the ratio of each of our paths to
// its baseline measured in the same run (ours / baseline; 1.0 means no cost): either of two
// benchmarks' times, or the "ratio" counter of a benchmark that times both sides itself
// (AlternatedPair).

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Two benchmark names as the table shows them ("BM_Load/10240/real_time"), and the label
    // their ratio is printed under (by default our benchmark's name). Without a baseline, the
    // ratio is our benchmark's "ratio" counter.
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
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred) {
                seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
                if (auto ratio = run.counters.find("ratio"); ratio != run.counters.end())
                    ratios_[run.benchmark_name()] = ratio->second.value;
            }
    }

private:
    void printRatios() const {
        std::printf("\nratio (%s):\n", title_.c_str());
        for (const auto& pair : pairs_) {
            const std::string& label = pair.label.empty() ? pair.ours : pair.label;
            if (pair.baseline.empty()) {
                if (auto ratio = ratios_.find(pair.ours); ratio != ratios_.end())
                    std::printf("  %-24s %6.2f\n", label.c_str(), ratio->second);
                continue;
            }
            auto ours = seconds_.find(pair.ours);
            auto baseline = seconds_.find(pair.baseline);
            if (ours == seconds_.end() || baseline == seconds_.end() || baseline->second <= 0)
                continue;
            std::printf("  %-24s %6.2f\n", label.c_str(), ours->second / baseline->second);
        }
    }

    std::string title_;
    std::vector<Pair> pairs_;
    std::map<std::string, double> seconds_;
    std::map<std::string, double> ratios_;
};
