#pragma once
// Google Benchmark's console report on stderr, and every repetition's time kept for the
// benchmarks' own tables.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

// Seconds per iteration of every repetition, by benchmark name; Google Benchmark's own
// report goes on to stderr.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    CollectingReporter() : ConsoleReporter(OO_Tabular) {
        SetOutputStream(&std::cerr);
        SetErrorStream(&std::cerr);
    }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            // The clock the benchmark was registered with.
            const bool wall = run.run_name.time_type == "real_time";
            const double seconds = wall ? run.real_accumulated_time : run.cpu_accumulated_time;
            seconds_[run.run_name.function_name].push_back(seconds / static_cast<double>(run.iterations));
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The best repetition: on a shared machine the others carry other programs' load.
    // 0 when the benchmark didn't run.
    double best(const std::string& name) const {
        const auto found = seconds_.find(name);
        if (found == seconds_.end() || found->second.empty()) return 0;
        return *std::min_element(found->second.begin(), found->second.end());
    }
    // The median of the ratios of two benchmarks' times within the same round of the
    // interleaved repetitions, so that both sides of a ratio saw the same load of the
    // machine; 0 when either didn't run.
    double pairedRatio(const std::string& numerator, const std::string& denominator) const {
        const auto top = seconds_.find(numerator);
        const auto bottom = seconds_.find(denominator);
        if (top == seconds_.end() || bottom == seconds_.end()) return 0;
        std::vector<double> ratios;
        for (std::size_t i = 0; i < top->second.size() && i < bottom->second.size(); ++i)
            ratios.push_back(top->second[i] / bottom->second[i]);
        if (ratios.empty()) return 0;
        std::sort(ratios.begin(), ratios.end());
        const std::size_t middle = ratios.size() / 2;
        return ratios.size() % 2 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
    }

  private:
    std::map<std::string, std::vector<double>> seconds_;
};
