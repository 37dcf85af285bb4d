#pragma once

// Guards against quadratic work without a time limit: the same work on eight times the input may
// cost at most thirty times the CPU time. Linear and n log n work pass that on any machine, with
// room for cache effects; n^2 work costs 64 times and fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <limits>
#include <string>

namespace GrowthCheck {

constexpr int kInputFactor = 8;
constexpr double kMaxCostFactor = 30.0;

/// CPU time this process has spent, in microseconds: the load of other processes does not count,
/// and work handed to a worker thread does.
inline long long CpuMicros() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

/// Measures the CPU time of the laps of one run; each lap is the time since the last call.
class LapTimer {
public:
    LapTimer() : FStart(CpuMicros()) {}
    long long Lap() {
        const long long now = CpuMicros();
        const long long lap = now - FStart;
        FStart = now;
        return lap;
    }

private:
    long long FStart;
};

/// The least CPU time of three runs of work (the first also pays for the heap growing).
inline long long BestOfThree(const std::function<void()>& work) {
    long long best = std::numeric_limits<long long>::max();
    for (int run = 0; run < 3; ++run) {
        const long long start = CpuMicros();
        work();
        best = std::min(best, CpuMicros() - start);
    }
    return best;
}

/// Checks that `large` (the cost on kInputFactor times the input) stays within kMaxCostFactor
/// times `small`; what names the work in the failure message.
inline void ExpectLinearGrowth(long long small, long long large, const std::string& what) {
    // A run too short for the clock's resolution counts as one microsecond.
    const double ratio = static_cast<double>(large) / static_cast<double>(std::max(small, 1LL));
    EXPECT_LT(ratio, kMaxCostFactor) << what << ": " << small << " us for n, " << large << " us for "
                                     << kInputFactor << "n";
}

/// Runs work(n) and work(kInputFactor * n), best of three each, and checks the growth.
inline void ExpectLinearGrowth(int n, const std::function<void(int)>& work, const std::string& what) {
    const long long small = BestOfThree([&] { work(n); });
    const long long large = BestOfThree([&] { work(n * kInputFactor); });
    ExpectLinearGrowth(small, large, what);
}

} // namespace GrowthCheck
