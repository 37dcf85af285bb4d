#include "BenchGoals.h"

#include <unistd.h>

#include <cstdio>

namespace {

std::vector<BenchGoal>& Goals() {
    static std::vector<BenchGoal> goals;
    return goals;
}

const BenchGoal* GoalOf(const std::string& name) {
    for (const BenchGoal& goal : Goals())
        if (name.rfind(goal.prefix, 0) == 0)
            return &goal;
    return nullptr;
}

} // namespace

bool AddBenchGoal(BenchGoal goal) {
    Goals().push_back(std::move(goal));
    return true;
}

GoalReporter::GoalReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void GoalReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const BenchGoal* goal = GoalOf(run.benchmark_name());
        if (goal == nullptr || run.error_occurred || run.run_type != Run::RT_Iteration)
            continue;
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        std::printf("    %-40s %.2f ms, goal %s: %s\n", run.benchmark_name().c_str(), seconds * 1e3,
                    goal->text.c_str(), seconds <= goal->limit ? "met" : "MISSED");
    }
    std::fflush(stdout);
}
