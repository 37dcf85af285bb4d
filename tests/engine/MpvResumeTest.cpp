// A remembered position goes with the load, so the first sound is the remembered place; a long
// constant-bitrate MP3 seeks by byte offset, every other file exactly.
#include "MpvTestSupport.h"

#include "SilentMp3.h"
#include "engine/MpvFileOptions.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

constexpr int kRate = 8000;

/// A staircase: each tenth of a second holds its own value, 100 per step, so a sample tells
/// the place it came from.
std::vector<std::int16_t> Staircase(double seconds) {
    std::vector<std::int16_t> samples(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i / (kRate / 10)) * 100);
    return samples;
}

double PlaceOf(std::int16_t sample) {
    return sample / 100 / 10.0;
}

std::map<QByteArray, QByteArray> AsMap(const MpvFileOptions& options) {
    return {options.begin(), options.end()};
}

TEST_F(MpvMediaControlTest, FirstSoundOfAResumedFileIsTheRememberedPlace) {
    const QString path = FDir.filePath("stairs.wav");
    ASSERT_TRUE(WriteSamplesWav(path, Staircase(30.0), kRate));
    const QString output = FDir.filePath("out.raw");
    for (double remembered : {12.5, 0.0}) {
        QFile::remove(output); // the output appends to what is there
        {
            MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
            StateLog log(c);
            // As the player opens a file: the position is put right after the path.
            c.SetUrl(path);
            c.SetCurrentPosition(remembered);
            ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << remembered;
            EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
        } // the output file is complete once the control is gone
        const std::vector<std::int16_t> heard = ReadRawSamples(output);
        ASSERT_FALSE(heard.empty()) << remembered;
        EXPECT_NEAR(PlaceOf(heard.front()), remembered, 0.1001) << "the first sound came from elsewhere";
        const auto lowest = *std::min_element(heard.begin(), heard.end());
        EXPECT_GE(PlaceOf(lowest), remembered - 0.1001) << "something before the remembered place was heard";
        EXPECT_NEAR(heard.size() / double(kRate), 30.0 - remembered, 0.05);
    }
}

TEST_F(MpvMediaControlTest, ResumedPositionIsReportedFromTheFirstRead) {
    const QString path = FDir.filePath("stairs.wav");
    ASSERT_TRUE(WriteSamplesWav(path, Staircase(30.0), kRate));
    auto c = RealTime();
    c->SetUrl(path);
    c->SetCurrentPosition(20.0);
    c->SetCurrentPosition(21.0); // the last put before the load is sent wins
    double lowest = 1e9;
    ASSERT_TRUE(WaitUntil([&] {
        lowest = std::min(lowest, c->CurrentPosition());
        return c->PlayState() == psPlaying && c->CurrentPosition() > 21.1;
    }));
    EXPECT_GE(lowest, 21.0);
    EXPECT_LT(c->CurrentPosition(), 23.0);
}

TEST_F(MpvMediaControlTest, FastSeekingIsChosenOnlyForConstantBitrateMp3) {
    const QString cbr = FDir.filePath("cbr.mp3");
    const QString vbr = FDir.filePath("vbr.mp3");
    const QString untagged = FDir.filePath("untagged.mp3");
    ASSERT_TRUE(WriteSilentMp3(cbr, 2.0, Mp3Tag::Info));
    ASSERT_TRUE(WriteSilentMp3(vbr, 2.0, Mp3Tag::Xing));
    ASSERT_TRUE(WriteSilentMp3(untagged, 2.0, Mp3Tag::None));
    const QString wav = Tone("tone.wav", 1.0);

    const auto cbrOptions = AsMap(PerFileOptions(QFile::encodeName(cbr), 0.0));
    ASSERT_EQ(cbrOptions.count("demuxer-lavf-o"), 1u);
    const QByteArray lavf = cbrOptions.at("demuxer-lavf-o");
    EXPECT_TRUE(lavf.contains("fflags=+fastseek")) << lavf.constData();
    EXPECT_TRUE(lavf.startsWith(MpvDemuxerOptions() + ','))
        << "the file's own list replaces the open rule: " << lavf.constData();
    EXPECT_TRUE(lavf.contains("usetoc=0")) << lavf.constData();
    EXPECT_EQ(cbrOptions.count("start"), 0u);

    for (const QString& other : {vbr, untagged, wav})
        EXPECT_EQ(AsMap(PerFileOptions(QFile::encodeName(other), 0.0)).count("demuxer-lavf-o"), 0u)
            << other.toStdString();

    const auto resumed = AsMap(PerFileOptions(QFile::encodeName(wav), 83.4));
    ASSERT_EQ(resumed.count("start"), 1u);
    EXPECT_DOUBLE_EQ(resumed.at("start").toDouble(), 83.4);
    EXPECT_EQ(resumed.count("end"), 0u) << "a whole file plays to its end";

    // A stretch of a file stops at its end, and keeps the open rule the file has.
    const auto stretch = AsMap(PerFileOptions(QFile::encodeName(cbr), 0.5, 1.25));
    ASSERT_EQ(stretch.count("end"), 1u);
    EXPECT_DOUBLE_EQ(stretch.at("end").toDouble(), 1.25);
    EXPECT_DOUBLE_EQ(stretch.at("start").toDouble(), 0.5);
    EXPECT_EQ(stretch.at("demuxer-lavf-o"), lavf);
}

TEST_F(MpvMediaControlTest, GeneratedMp3FilesPlayAndResumeWhereAsked) {
    const QString cbr = FDir.filePath("cbr.mp3");
    const QString vbr = FDir.filePath("vbr.mp3");
    ASSERT_TRUE(WriteSilentMp3(cbr, 20.0, Mp3Tag::Info));
    ASSERT_TRUE(WriteSilentMp3(vbr, 20.0, Mp3Tag::Xing));
    for (const QString& path : {cbr, vbr}) {
        auto c = RealTime();
        c->SetUrl(path);
        c->SetCurrentPosition(15.0);
        ASSERT_TRUE(WaitUntil([&] { return c->PlayState() == psPlaying && c->CurrentPosition() > 15.05; }))
            << path.toStdString();
        EXPECT_LT(c->CurrentPosition(), 16.5) << path.toStdString();
        EXPECT_NEAR(c->MediaDuration(), 20.0, 0.1) << path.toStdString();
        EXPECT_FALSE(c->EndedByFailure());
    }
}

} // namespace
