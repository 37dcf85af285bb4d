#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

/// Goals of the figures: a benchmark whose name begins with `prefix` should take at most `limit`
/// seconds (real time per iteration; with manual time, the time the benchmark measured itself).
struct BenchGoal {
    std::string prefix;
    double limit;
    std::string text; // how the goal reads beside the figure, e.g. "<= 50 ms on an idle machine"
};

/// Registers a goal; call it before the benchmarks run (a static initialiser will do).
bool AddBenchGoal(BenchGoal goal);

/// The console report, with "goal ...: met" or "MISSED" beside every figure that has a goal.
class GoalReporter : public benchmark::ConsoleReporter {
public:
    /// Colours only on a terminal, so a saved report stays plain text.
    GoalReporter();
    void ReportRuns(const std::vector<Run>& runs) override;
};
