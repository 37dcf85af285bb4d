#include "util/StartupTrace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

/// What a trace printed: its lines, read back from a file of its own.
class Printed {
public:
    Printed() : FFile(std::tmpfile()) {}
    ~Printed() {
        if (FFile)
            std::fclose(FFile);
    }
    Printed(const Printed&) = delete;
    Printed& operator=(const Printed&) = delete;

    std::FILE* File() const { return FFile; }
    std::vector<std::string> Lines() const {
        std::rewind(FFile);
        std::vector<std::string> lines;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, FFile))
            lines.emplace_back(buffer);
        return lines;
    }

private:
    std::FILE* FFile;
};

TStartupTrace::Clock::time_point At(std::chrono::microseconds sinceEpoch) {
    return TStartupTrace::Clock::time_point(sinceEpoch);
}

} // namespace

// The bench reads each line as "varnel-startup SECONDS STEP" and sets SECONDS against its own
// monotonic clock: the time must be the clock's, to the microsecond, not rounded to milliseconds.
TEST(StartupTraceTest, PrintsEachStepWithItsMonotonicTime) {
    Printed printed;
    TStartupTrace trace(printed.File());
    trace.Mark(StartupStep::Main, At(12'345'678'901us));
    trace.Mark(StartupStep::FirstSound, At(12'346'000'002us));
    const std::vector<std::string> lines = printed.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "varnel-startup 12345.678901 main\n");
    EXPECT_EQ(lines[1], "varnel-startup 12346.000002 first-sound\n");
}

// A second load (the next track prepared) or a later playback restart (every seek) is no start-up
// step: only the first time a step is reached counts, each step on its own.
TEST(StartupTraceTest, OnlyTheFirstTimeAStepIsReachedIsPrinted) {
    Printed printed;
    TStartupTrace trace(printed.File());
    trace.Mark(StartupStep::LoadSent, At(1s));
    trace.Mark(StartupStep::FirstSound, At(2s));
    trace.Mark(StartupStep::LoadSent, At(3s));
    trace.Mark(StartupStep::FirstSound, At(4s));
    trace.Mark(StartupStep::WindowShown, At(5s));
    const std::vector<std::string> lines = printed.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "varnel-startup 1.000000 load-sent\n");
    EXPECT_EQ(lines[1], "varnel-startup 2.000000 first-sound\n");
    EXPECT_EQ(lines[2], "varnel-startup 5.000000 window-shown\n");
}

TEST(StartupTraceTest, EveryStepHasANameOfItsOwn) {
    std::vector<std::string> names;
    for (int step = static_cast<int>(StartupStep::Main); step <= static_cast<int>(StartupStep::ListWhole);
         ++step) {
        const std::string name = TStartupTrace::Name(static_cast<StartupStep>(step));
        EXPECT_EQ(name.find(' '), std::string::npos) << name; // the bench splits a line at spaces
        for (const std::string& earlier : names)
            EXPECT_NE(name, earlier);
        names.push_back(name);
    }
    EXPECT_EQ(std::string(TStartupTrace::Name(StartupStep::FirstSound)), "first-sound");
}

// Without the variable the program prints nothing: a listener's terminal stays quiet.
TEST(StartupTraceTest, ATraceWithNowhereToPrintIsOff) {
    TStartupTrace trace(nullptr);
    EXPECT_FALSE(trace.Enabled());
    trace.Mark(StartupStep::Main); // must not touch a null stream
}
