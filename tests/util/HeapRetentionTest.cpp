#include "util/HeapRetention.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Allocated, written and freed for real: the compiler may not drop the pair.
void TouchAndFree(std::size_t bytes) {
    char* block = static_cast<char*>(std::malloc(bytes));
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, bytes);
    asm volatile("" : : "g"(block) : "memory");
    std::free(block);
}

} // namespace

// What mpv's threads do over a session: each one opens a file, takes a few large blocks and ends.
// Once a larger block has been freed, glibc's default thresholds would keep each such block
// resident in the heap of the thread that freed it.
TEST(HeapRetentionTest, LargeBlocksFreedOnEndedThreadsLeaveNothingResident) {
    LimitHeapRetention();
    TouchAndFree(24u << 20);
    const long before = ResidentKb();
    for (int thread = 0; thread < 4; ++thread)
        std::thread([] { TouchAndFree(8u << 20); }).join();
    const long grown = ResidentKb() - before;
    ASSERT_GE(before, 0) << "no VmRSS in /proc/self/status";
    EXPECT_LT(grown, 4 * 1024) << "kB still resident after the threads ended";
}
