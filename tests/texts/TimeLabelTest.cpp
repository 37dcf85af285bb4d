// The time labels of the position and length fields.
#include "texts/TimeLabel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

TEST(TimeLabel, MinutesAndSecondsRoundedHalfToEven) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0 sec"},
        {59.4, "59 sec"},
        {59.6, "1 min  0 sec"},
        {3725, "62 min  5 sec"},
        {0.5, "0 sec"},
        {1.5, "2 sec"},
        {2.5, "2 sec"},
        {59.5, "1 min  0 sec"},
        {60, "1 min  0 sec"},
        {119.49, "1 min  59 sec"},
        {360000, "6000 min  0 sec"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeLabel(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST(TimeLabel, RefusesNegativeAndUnknownTimes) {
    for (const double x : {-0.001, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_THROW(TimeLabel(x), std::invalid_argument) << x;
}

} // namespace
