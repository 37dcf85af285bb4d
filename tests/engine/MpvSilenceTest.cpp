// The silences found ahead of playback, and where a place inside one moves on to.
#include "engine/MpvSilenceSkipper.h"

#include "MpvTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 8000;

struct Stretch {
    double seconds;
    bool sound;
};

std::vector<std::int16_t> Stretches(std::initializer_list<Stretch> stretches, double level = 0.3) {
    std::vector<std::int16_t> out;
    for (const Stretch& s : stretches) {
        for (int i = 0; i < static_cast<int>(s.seconds * kRate); ++i)
            out.push_back(s.sound ? static_cast<std::int16_t>(std::lround(
                                        level * 32767 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate)))
                                  : std::int16_t{0});
    }
    return out;
}

class SilenceScan : public MpvMediaControlTest {
protected:
    QByteArray File(const std::vector<std::int16_t>& samples) {
        const QString path = FDir.filePath(QStringLiteral("f%1.wav").arg(++FCount));
        EXPECT_TRUE(WriteSamplesWav(path, samples, kRate));
        return path.toUtf8();
    }
    /// Scans `file` from `from` to its end and returns what holds each of `places`.
    static std::vector<std::optional<Silence>> Scan(const QByteArray& file, double from,
                                                    const std::vector<double>& places) {
        MpvSilenceScanner scanner;
        scanner.Start(file, from);
        scanner.Follow(1e6);
        EXPECT_TRUE(WaitUntil([&] { return scanner.Covers(1e6); }));
        std::vector<std::optional<Silence>> found;
        for (double place : places)
            found.push_back(scanner.SilenceAt(place));
        return found;
    }
    int FCount = 0;
};

void ExpectSilence(const std::optional<Silence>& found, double begin, double end) {
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(found->begin, begin, 0.02);
    EXPECT_NEAR(found->end, end, 0.02);
}

TEST_F(SilenceScan, FindsTheLongSilencesWithTheirEdges) {
    const QByteArray file =
        File(Stretches({{1.0, true}, {2.0, false}, {1.0, true}, {0.5, false}, {1.0, true}, {1.5, false}}));
    const auto found = Scan(file, 0.0, {0.5, 2.0, 3.5, 4.25, 6.0, 5.0});
    EXPECT_FALSE(found[0]) << "sound taken for silence";
    ExpectSilence(found[1], 1.0, 3.0);
    EXPECT_FALSE(found[2]);
    EXPECT_FALSE(found[3]) << "a pause shorter than a silence worth passing over";
    ExpectSilence(found[4], 5.5, 7.0); // up to the end of the file
    EXPECT_FALSE(found[5]);
}

TEST_F(SilenceScan, QuietSoundIsNoSilence) {
    // -40 dBFS: a soft voice, far above the room tone of a recording.
    const QByteArray file = File(Stretches({{1.0, true}, {2.0, true}}, 0.01));
    EXPECT_FALSE(Scan(file, 0.0, {1.5})[0]);
}

TEST_F(SilenceScan, AScanFromInsideAFileFindsTheSilencesAfterIt) {
    const QByteArray file =
        File(Stretches({{1.0, true}, {2.0, false}, {1.0, true}, {2.0, false}, {1.0, true}}));
    MpvSilenceScanner scanner;
    scanner.Start(file, 3.5);
    scanner.Follow(1e6);
    ASSERT_TRUE(WaitUntil([&] { return scanner.Covers(1e6); }));
    EXPECT_FALSE(scanner.Covers(2.0)) << "before the scan's start nothing was read";
    ExpectSilence(scanner.SilenceAt(5.0), 4.0, 6.0);
}

TEST_F(SilenceScan, AFileThatCannotBeReadHasNoSilences) {
    const QString broken = FDir.filePath(QStringLiteral("broken.wav"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4000, '\0'));
    }
    for (const QByteArray& file : {broken.toUtf8(), FDir.path().toUtf8(), QByteArray("/no/such/file.wav")}) {
        MpvSilenceScanner scanner;
        scanner.Start(file, 0.0);
        scanner.Stop();
        EXPECT_FALSE(scanner.SilenceAt(1.0)) << file.toStdString();
    }
}

TEST_F(SilenceScan, StopsWhileWaitingFarAheadOfPlayback) {
    // Longer than the scan runs ahead: it waits for playback, and a stop must still end it.
    const QByteArray file = File(Stretches({{MpvSilenceScanner::kScanAhead + 20.0, false}}));
    MpvSilenceScanner scanner;
    scanner.Start(file, 0.0);
    ASSERT_TRUE(WaitUntil([&] {
        return !scanner.Covers(MpvSilenceScanner::kScanAhead + 10.0) &&
               scanner.Covers(MpvSilenceScanner::kScanAhead - 10.0);
    }));
    scanner.Stop();
    EXPECT_FALSE(scanner.Covers(MpvSilenceScanner::kScanAhead + 15.0));
}

/// A skipper over a file with a silence from 1 s to 4 s, and the seeks it sends.
class SilenceSkipping : public SilenceScan {
protected:
    void SetUp() override {
        SilenceScan::SetUp();
        file = File(Stretches({{1.0, true}, {3.0, false}, {1.0, true}}));
        skipper.SetOn(true);
        skipper.OnStartFile();
        skipper.OnPath(file);
        skipper.OnPlaybackRestart();
    }
    /// Reports the position until the skipper seeks or the scan must have long found the silence.
    bool SeeksFrom(double position) {
        return WaitUntil(
            [&] {
                skipper.OnPosition(position);
                return !seeks.empty();
            },
            1000);
    }

    /// Reports the position once: what the skipper must not do is decided then and there.
    bool SeeksAtOnce(double position) {
        skipper.OnPosition(position);
        return !seeks.empty();
    }

    QByteArray file;
    std::vector<double> seeks;
    MpvSilenceSkipper skipper{[this](double seconds) { seeks.push_back(seconds); }};
};

TEST_F(SilenceSkipping, PassesOverASilenceOnceAndWaitsForTheRestart) {
    ASSERT_TRUE(SeeksFrom(2.0));
    EXPECT_EQ(seeks, std::vector<double>{4.0 - kSilenceKeptBeforeSound});
    EXPECT_EQ(skipper.PassedOver(), (std::vector<Silence>{{2.0, 4.0 - kSilenceKeptBeforeSound}}));
    // Until its seek has landed the old place is still reported: no second seek.
    skipper.OnPosition(2.1);
    EXPECT_EQ(seeks.size(), 1u);
    skipper.OnPlaybackRestart();
    skipper.OnPosition(3.9);
    skipper.OnPosition(4.5);
    EXPECT_EQ(seeks.size(), 1u) << "sound was passed over";
}

TEST_F(SilenceSkipping, NeverOverridesAMoveOfSomeoneElse) {
    skipper.OnMoveSent(); // the listener's seek is on its way; mpv still reports the old place
    EXPECT_FALSE(SeeksAtOnce(2.0));
    skipper.OnPlaybackRestart();
    EXPECT_TRUE(SeeksFrom(2.0));
}

TEST_F(SilenceSkipping, UsesNoSilenceOfTheFileBefore) {
    ASSERT_TRUE(SeeksFrom(2.0));
    seeks.clear();
    // The next file starts: its positions mean nothing until its own path is told.
    skipper.OnStartFile();
    skipper.OnPlaybackRestart();
    EXPECT_FALSE(SeeksAtOnce(2.0));
    // A file of sound only: what was found in the other one is forgotten.
    skipper.OnPath(File(Stretches({{5.0, true}})));
    EXPECT_FALSE(SeeksAtOnce(2.0));
}

TEST_F(SilenceSkipping, DoesNothingWhenOffOrForWhatIsNoLocalFile) {
    skipper.SetOn(false);
    EXPECT_FALSE(SeeksAtOnce(2.0));
    skipper.SetOn(true);
    skipper.OnPath("varnelmidi://x" + file);
    EXPECT_FALSE(SeeksAtOnce(2.0));
    skipper.OnPath(file);
    EXPECT_TRUE(SeeksFrom(2.0));
}

TEST(SilenceSkipTarget, KeepsTheStartAndTheEndOfEverySilence) {
    const Silence silence{10.0, 13.0};
    const struct {
        const char* name;
        double position;
        std::optional<double> target;
    } cases[] = {
        {"at its start", 10.0, std::nullopt},
        {"within the part always heard", 10.3, std::nullopt},
        {"just past it", 10.4, 12.85},
        {"in the middle", 11.5, 12.85},
        {"nearly where the seek would land", 12.75, std::nullopt},
        {"past where the seek would land", 12.9, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SilenceSkipTarget(silence, c.position), c.target);
    }
    EXPECT_EQ(SilenceSkipTarget({10.0, 10.8}, 10.55), std::nullopt) << "too short to pass over";
}

} // namespace
