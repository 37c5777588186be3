#pragma once

// For the benchmark programs: our path and its baseline timed in turns inside one benchmark
// (ours first on one iteration, the baseline first on the next), so that a machine whose speed
// drifts during the run slows both alike. Each side's samples give a median, which one slow
// turn (a page-out, another process) cannot move the way it moves a mean.
//
// The benchmark's own time is ours; the counters hold both sides' medians in milliseconds,
// wall and CPU time of the whole process (every thread, so work a path hands to a thread of
// its own is counted), and "ratio", ours over the baseline's wall time, which RatioReporter
// prints.
//
// Sides that run in processes of their own time themselves and hand their samples over
// (runMeasured): the CPU time is then that of the side's own process.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <optional>
#include <vector>

class AlternatedPair {
public:
    // One timed turn of one side, in seconds.
    struct Sample {
        double wall = 0;
        double cpu = 0;
    };

    // Runs one turn of each (each returns false when its work failed); false when either
    // failed.
    template <class Ours, class Baseline>
    bool run(benchmark::State& state, Ours&& ours, Baseline&& baseline) {
        return run(state, ours, baseline, [] {});
    }
    // As above, with `settle` run untimed after each side's timed work: work that the timed part
    // set going and that goes on after it (a web process still laying out the page it reported
    // loaded) is over before the other side's turn, instead of slowing it.
    template <class Ours, class Baseline, class Settle>
    bool run(benchmark::State& state, Ours&& ours, Baseline&& baseline, Settle&& settle) {
        return runMeasured(
            state, [&ours] { return measure(ours); }, [&baseline] { return measure(baseline); },
            settle);
    }
    // As above, for sides that time themselves: each returns its sample, or nullopt when its
    // work failed.
    template <class Ours, class Baseline, class Settle>
    bool runMeasured(benchmark::State& state, Ours&& ours, Baseline&& baseline, Settle&& settle) {
        const bool oursFirst = turn_++ % 2 == 0;
        std::optional<Sample> oursSample;
        std::optional<Sample> baselineSample;
        const auto measureAndSettle = [&settle](auto& work, std::optional<Sample>& sample) {
            sample = work();
            settle();
            return sample.has_value();
        };
        bool ok = true;
        if (oursFirst) {
            ok = measureAndSettle(ours, oursSample) && measureAndSettle(baseline, baselineSample);
        } else {
            ok = measureAndSettle(baseline, baselineSample) && measureAndSettle(ours, oursSample);
        }
        if (!ok)
            return false;
        ours_.push_back(*oursSample);
        baseline_.push_back(*baselineSample);
        state.SetIterationTime(oursSample->wall);
        return true;
    }

    // Times work() in this process (wall, and CPU of every thread); nullopt when it returned
    // false.
    template <class Work> static std::optional<Sample> measure(Work&& work) {
        const double cpuStart = processCPUSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (!work())
            return std::nullopt;
        Sample sample;
        sample.wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        sample.cpu = processCPUSeconds() - cpuStart;
        return sample;
    }

    // Sets the counters; call once the benchmark's loop has ended.
    void report(benchmark::State& state) const {
        if (ours_.empty())
            return;
        const double oursWall = median(ours_, &Sample::wall);
        const double baselineWall = median(baseline_, &Sample::wall);
        state.counters["ours_ms"] = 1000 * oursWall;
        state.counters["base_ms"] = 1000 * baselineWall;
        state.counters["ours_cpu_ms"] = 1000 * median(ours_, &Sample::cpu);
        state.counters["base_cpu_ms"] = 1000 * median(baseline_, &Sample::cpu);
        if (baselineWall > 0)
            state.counters["ratio"] = oursWall / baselineWall;
    }

private:
    static double processCPUSeconds() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }

    static double median(std::vector<Sample> samples, double Sample::*field) {
        auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
        auto less = [field](const Sample& a, const Sample& b) { return a.*field < b.*field; };
        std::nth_element(samples.begin(), middle, samples.end(), less);
        double upper = (*middle).*field;
        if (samples.size() % 2 != 0)
            return upper;
        double lower = (*std::max_element(samples.begin(), middle, less)).*field;
        return (lower + upper) / 2;
    }

    unsigned long turn_ = 0;
    std::vector<Sample> ours_;
    std::vector<Sample> baseline_;
};
