#include "daisy/DaisyClock.h"

#include "CaseName.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct ClockCase {
    const char* text;
    std::optional<double> seconds;
};

class ClockValue : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockValue, ReadsAsSeconds) {
    const std::optional<double> got = ParseClockValue(QString::fromUtf8(GetParam().text));
    ASSERT_EQ(got.has_value(), GetParam().seconds.has_value()) << GetParam().text;
    if (got) {
        EXPECT_NEAR(*got, *GetParam().seconds, 1e-9) << GetParam().text;
    }
}

const ClockCase kClockCases[] = {
    // DAISY 2.02: npt= with and without the unit.
    {"npt=12.345s", 12.345},
    {"npt=12.345", 12.345},
    {"NPT=0s", 0.0},
    {" npt= 7.5s ", 7.5},
    {"npt=1:00:02.5", 3602.5},
    // SMIL full and partial clock values; hours may exceed two digits.
    {"01:02:03.250", 3723.25},
    {"0:00:00", 0.0},
    {"123:00:00", 442800.0},
    {"02:03.5", 123.5},
    {"59:59", 3599.0},
    // Counts with and without a metric.
    {"12.5s", 12.5},
    {"12.5", 12.5},
    {"500ms", 0.5},
    {"1.5min", 90.0},
    {"1h", 3600.0},
    {"2H", 7200.0},
    {".5s", 0.5},
    {"3.", 3.0},
    // Malformed: nothing, rather than a guess that would cut a clip at the wrong place.
    {"", std::nullopt},
    {"npt=", std::nullopt},
    {"abc", std::nullopt},
    {"-1s", std::nullopt},
    {"1e3s", std::nullopt},
    {"12.5sec", std::nullopt},
    {"1.2.3", std::nullopt},
    {"1:2:3:4", std::nullopt},
    {"1.5:00", std::nullopt},
    {"1::2", std::nullopt},
    {"10:", std::nullopt},
    {"s", std::nullopt},
    {"smpte=00:00:01:00", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Texts, ClockValue, ::testing::ValuesIn(kClockCases),
                         [](const ::testing::TestParamInfo<ClockCase>& info) {
                             return std::to_string(info.index) + "_" + CaseName::FromText(info.param.text);
                         });

} // namespace
