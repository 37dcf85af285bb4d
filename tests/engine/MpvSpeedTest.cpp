// What a listener hears at the speeds the program offers: the same tone, as loud, only sooner.
#include "MpvTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 8000; // WriteToneWav's
constexpr double kFrequency = 440.0;
constexpr double kSeconds = 4.0;
constexpr double kLevel = 0.3 * 32767 / std::numbers::sqrt2; // the tone's RMS

struct Heard {
    double seconds = 0.0;
    double frequency = 0.0; // from the zero crossings
    double level = 0.0;     // RMS
};

/// Measures the middle half of `samples`, away from the filter's start and end.
Heard Measure(const std::vector<std::int16_t>& samples) {
    Heard heard;
    heard.seconds = static_cast<double>(samples.size()) / kRate;
    const std::size_t from = samples.size() / 4;
    const std::size_t to = samples.size() * 3 / 4;
    if (to <= from + 1)
        return heard;
    int crossings = 0;
    double energy = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        energy += static_cast<double>(samples[i]) * samples[i];
        if (i > from && (samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    }
    const double span = static_cast<double>(to - from) / kRate;
    heard.frequency = crossings / 2.0 / span;
    heard.level = std::sqrt(energy / static_cast<double>(to - from));
    return heard;
}

class MpvSpeed : public MpvMediaControlTest, public ::testing::WithParamInterface<double> {};

TEST_P(MpvSpeed, ToneKeepsItsPitchAndLevel) {
    const double speed = GetParam();
    const QString tone = Tone("tone.wav", kSeconds);
    const QString output = FDir.filePath("out.raw");
    {
        MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
        c.SetRate(speed);
        StateLog log(c);
        c.SetUrl(tone);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
        EXPECT_TRUE(log.Saw(psMediaEnded));
        EXPECT_FALSE(c.EndedByFailure());
    } // the output file is complete once the control is gone
    const Heard heard = Measure(ReadRawSamples(output));
    EXPECT_NEAR(heard.seconds, kSeconds / speed, 0.1 * kSeconds / speed) << "played at another speed";
    EXPECT_NEAR(heard.frequency, kFrequency, 0.02 * kFrequency) << "the pitch moved";
    EXPECT_NEAR(heard.level, kLevel, 0.1 * kLevel) << "not heard as loud";
}

INSTANTIATE_TEST_SUITE_P(RangeOfTheKeys, MpvSpeed, ::testing::Values(0.5, 1.0, 4.0, 4.5, 5.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "Speed" + std::to_string(static_cast<int>(info.param * 10));
                         });

TEST_F(MpvMediaControlTest, SpeedCrossingThePitchKeepersRangeBothWaysIsHeard) {
    const QString output = FDir.filePath("out.raw");
    {
        MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
        for (const double speed : {5.0, 2.0, 4.5}) {
            c.SetRate(speed);
            StateLog log(c);
            c.SetUrl(Tone(QString("tone%1.wav").arg(speed), kSeconds));
            ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << speed;
        }
    }
    // The last file alone, at 4.5 after a return to 2: the wide filter is back and heard.
    const std::vector<std::int16_t> all = ReadRawSamples(output);
    const auto last = static_cast<std::size_t>(kSeconds / 4.5 * kRate);
    ASSERT_GT(all.size(), last);
    const Heard heard =
        Measure(std::vector<std::int16_t>(all.end() - static_cast<std::ptrdiff_t>(last), all.end()));
    EXPECT_NEAR(heard.frequency, kFrequency, 0.02 * kFrequency);
    EXPECT_NEAR(heard.level, kLevel, 0.1 * kLevel);
}

} // namespace
