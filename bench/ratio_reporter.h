// A console reporter that, after the table, prints the throughput ratios a benchmark program is
// judged by: each named run against its reference run of the same program. With repetitions,
// the median stands for a benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tamrix::bench {

struct RatioTarget {
    std::string run;        // e.g. "BM_MszipDecode"
    std::string reference;  // e.g. "BM_LibdeflateDecode"
    double minimum;         // the ratio aimed at; 0 when none
};

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(std::vector<RatioTarget> targets) : targets_(std::move(targets)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            const auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end()) continue;
            // The name without run settings such as min_time: "BM_Name" or "BM_Name/arg".
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
            rates_[name] = it->second.value;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [name, rate] : rates_) {
            std::printf("rate %-34s %8.1f MB/s\n", name.c_str(), rate / 1e6);
        }
        for (const RatioTarget& t : targets_) {
            const auto run = rates_.find(t.run);
            const auto reference = rates_.find(t.reference);
            if (run == rates_.end() || reference == rates_.end() || reference->second <= 0)
                continue;
            const double ratio = run->second / reference->second;
            std::printf("ratio %s / %s = %.3f", t.run.c_str(), t.reference.c_str(), ratio);
            if (t.minimum > 0) {
                std::printf(" (target >= %.2f: %s)", t.minimum,
                            ratio >= t.minimum ? "met" : "NOT met");
            }
            std::printf("\n");
        }
    }

  private:
    std::vector<RatioTarget> targets_;
    std::map<std::string, double> rates_;
};

// Runs the registered benchmarks with the ratio lines for `targets`.
inline int runWithRatios(int argc, char** argv, std::vector<RatioTarget> targets) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::move(targets));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tamrix::bench
