// Nothing but main, linked to the libraries the program needs before its first sound: the time it
// takes to reach main is the dynamic loader's alone, a floor no start-up order can go below.
#include <cstdio>
#include <ctime>

int main() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // The same clock as Python's time.monotonic(), so the caller subtracts its own start.
    std::printf("%.6f\n", static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9);
    return 0;
}
