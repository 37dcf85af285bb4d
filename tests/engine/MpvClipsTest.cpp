// Tracks made of clips played by the control on real libmpv: what is heard, in which order, with
// which gaps, and the track time read and put meanwhile.
#include "MpvTestSupport.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QFile>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 8000;
// mpv may land a sample or so off the place asked for at each joint.
constexpr long kJointSlack = 16;

/// What is heard: runs of one sample value, a joint's odd samples left out.
struct Run {
    std::int16_t value;
    long samples;
};

std::vector<Run> Runs(const std::vector<std::int16_t>& heard) {
    std::vector<Run> runs;
    for (std::int16_t v : heard) {
        if (!runs.empty() && runs.back().value == v)
            ++runs.back().samples;
        else
            runs.push_back({v, 1});
    }
    std::erase_if(runs, [](const Run& r) { return r.samples <= 4; });
    // Runs split only by an odd sample are one.
    std::vector<Run> merged;
    for (const Run& r : runs) {
        if (!merged.empty() && merged.back().value == r.value)
            merged.back().samples += r.samples;
        else
            merged.push_back(r);
    }
    return merged;
}

/// Silent samples between the first sound and the last: the gaps a listener hears.
long SilenceInside(const std::vector<std::int16_t>& heard) {
    const auto first = std::find_if(heard.begin(), heard.end(), [](std::int16_t v) { return v != 0; });
    const auto last =
        std::find_if(heard.rbegin(), heard.rend(), [](std::int16_t v) { return v != 0; }).base();
    return first < last ? std::count(first, last, std::int16_t{0}) : 0;
}

::testing::AssertionResult HeardAsExpected(const std::vector<std::int16_t>& heard,
                                           const std::vector<Run>& expected) {
    const std::vector<Run> runs = Runs(heard);
    std::string got;
    for (const Run& r : runs)
        got += std::to_string(r.value) + "x" + std::to_string(r.samples) + " ";
    if (runs.size() != expected.size())
        return ::testing::AssertionFailure() << "heard " << got;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].value != expected[i].value ||
            std::abs(runs[i].samples - expected[i].samples) > kJointSlack)
            return ::testing::AssertionFailure() << "heard " << got;
    }
    return ::testing::AssertionSuccess();
}

class MpvClips : public MpvMediaControlTest {
protected:
    /// A WAV of constant stretches, each (seconds, value), so that what is heard tells where from.
    QString Steps(const QString& name, const std::vector<std::pair<double, std::int16_t>>& steps) {
        std::vector<std::int16_t> samples;
        for (const auto& [seconds, value] : steps)
            samples.insert(samples.end(), static_cast<size_t>(seconds * kRate), value);
        const QString path = FDir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(WriteSamplesWav(path, samples, kRate));
        return path;
    }
    static long Samples(double seconds) { return static_cast<long>(seconds * kRate); }

    void SetUp() override {
        MpvMediaControlTest::SetUp();
        // a.wav: 1 s of 1000, 1 s of 2000, 1 s of 3000; b.wav: 0.5 s of 4000, 0.5 s of 5000.
        a = Steps("a.wav", {{1.0, 1000}, {1.0, 2000}, {1.0, 3000}});
        b = Steps("b.wav", {{0.5, 4000}, {0.5, 5000}});
    }

    /// Plays the track on the "pcm" output in real time, as a listener hears it, running `during`
    /// once it plays, until it has stopped; returns every sample the output got.
    std::vector<std::int16_t> Hear(const QList<MediaClip>& clips, double length,
                                   const std::function<void(MpvMediaControl&)>& during = {},
                                   double rate = 1.0) {
        const QString output = FDir.filePath("out.raw");
        {
            MpvMediaControl c(MpvMediaControl::Options{"pcm", false, output});
            c.SetRate(rate);
            StateLog log(c);
            c.SetClips("Book", {"Chapter", "Reader", "Book"}, clips, length);
            if (during) {
                EXPECT_TRUE(Reaches(c, psPlaying));
                during(c);
            }
            EXPECT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }, 20000)); // bounds a hang only
            EXPECT_TRUE(WaitForBarrier(c));
            FStates = log.States();
            FFailed = c.EndedByFailure();
            FRate = c.Rate();
        }
        return ReadRawSamples(output);
    }

    QString a, b;
    std::vector<int> FStates;
    bool FFailed = false;
    double FRate = 0.0;
};

const std::vector<int> kPlayedThrough{psTransitioning, psPlaying, psMediaEnded, psStopped};
const std::vector<int> kFailed{psTransitioning, psMediaEnded, psStopped};

TEST_F(MpvClips, ClipsPlayInReadingOrderAcrossFilesWithNoSilence) {
    // A file cut into touching clips, a part skipped, another file, and back into the first.
    const QList<MediaClip> clips{
        {a, 0.0, 0.5, 0.0}, {a, 0.5, 1.0, 0.5}, {a, 2.0, 2.5, 1.0},
        {b, 0.0, 0.5, 1.5}, {b, 0.5, 1.0, 2.0}, {a, 1.5, 2.0, 2.5},
    };
    const std::vector<std::int16_t> heard = Hear(clips, 3.0);
    EXPECT_EQ(FStates, kPlayedThrough);
    EXPECT_FALSE(FFailed);
    EXPECT_TRUE(HeardAsExpected(heard, {{1000, Samples(1.0)},
                                        {3000, Samples(0.5)},
                                        {4000, Samples(0.5)},
                                        {5000, Samples(0.5)},
                                        {2000, Samples(0.5)}}));
    const long silence = SilenceInside(heard);
    EXPECT_EQ(silence, 0);

    // In real time, as a listener hears it, the output opens once for clips that touch and for
    // changes of file into their start, as for prepared tracks.
    const QString c3 = Steps("c.wav", {{1.0, 6000}});
    auto c = RealTime();
    StateLog log(*c);
    c->SetClips("Book", {}, {{a, 0.0, 0.5, 0.0}, {a, 0.5, 1.0, 0.5}, {b, 0.0, 1.0, 1.0}, {c3, 0.0, 1.0, 2.0}},
                3.0);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), kPlayedThrough);
    std::printf("[ measured ] silence inside the track: %ld samples over 3 changes of file and a "
                "skipped part; the output opened %d time(s) over 2 changes of file in real time\n",
                silence, c->AudioOutputOpenings());
    EXPECT_EQ(c->AudioOutputOpenings(), 1) << "a change of file reopened the output";
}

TEST_F(MpvClips, EveryClipIsHeardToItsEndInRealTime) {
    // mpv empties the output when an entry starts with a seek, cutting off the end of the entry
    // before it that the output still held (heard as a book over 1.2 s short on the null output in
    // real time), so such an entry is never prepared.
    const QString longer = Steps("long.wav", {{6.0, 1000}});
    const QList<MediaClip> clips{{longer, 0.0, 0.8, 0.0},
                                 {longer, 1.0, 1.8, 0.8}, // parts skipped
                                 {longer, 2.0, 2.8, 1.6},
                                 {b, 0.0, 1.0, 2.4},       // another file, from its start
                                 {longer, 4.0, 4.8, 3.4}}; // back, into its middle
    auto c = RealTime();
    StateLog log(*c);
    c->SetClips("Book", {}, clips, 4.2);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    QElapsedTimer heard;
    heard.start();
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psMediaEnded); }, 20000));
    EXPECT_EQ(log.States(), kPlayedThrough);
    std::printf("[ measured ] 4.2 s of clips heard over %lld ms\n", static_cast<long long>(heard.elapsed()));
    // Each entry that starts inside its file (three here) is loaded once reached, which opens the
    // output again; prepared instead, it would keep the output open and cut off what it held.
    EXPECT_EQ(c->AudioOutputOpenings(), 4)
        << "an entry into its file was prepared: the clip before is cut off";
}

TEST_F(MpvClips, TrackTimeRunsThroughTheClipsAndJumpsOverWhatLiesInNone) {
    // Track time 1.5..2.0 and 3.5..4.0 lies in no clip; the book is said to last 5 s.
    const QString longer = Steps("long.wav", {{4.0, 1000}});
    const QList<MediaClip> clips{{longer, 0.0, 1.5, 0.0}, {longer, 2.0, 3.5, 2.0}, {b, 0.0, 1.0, 4.0}};
    auto c = RealTime();
    StateLog log(*c);
    c->SetClips("Book", {"Chapter", "Reader", {}}, clips, 5.0);
    EXPECT_EQ(c->PlayState(), psTransitioning);
    EXPECT_EQ(c->MediaName(), "Book");
    EXPECT_DOUBLE_EQ(c->MediaDuration(), 5.0);
    std::vector<double> read;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (c->PlayState() == psPlaying)
                read.push_back(c->CurrentPosition());
            return log.Saw(psStopped);
        },
        20000));
    EXPECT_EQ(log.States(), kPlayedThrough);
    EXPECT_TRUE(log.GetterAgreedEveryTime());
    ASSERT_GT(read.size(), 20u);
    const auto inAClip = [](double t) {
        return (t >= 0.0 && t <= 1.5 + 1e-6) || (t >= 2.0 && t <= 3.5 + 1e-6) ||
               (t >= 4.0 && t <= 5.0 + 1e-6);
    };
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_TRUE(inAClip(read[i])) << read[i] << " lies in no clip";
        if (i > 0) {
            EXPECT_GE(read[i], read[i - 1] - 0.01) << "track time went back";
        }
    }
    // mpv ends a file once the output has taken in its end, which may be before it is heard.
    EXPECT_GT(read.back(), 4.0) << "the last clip was not reached";
    const auto seen = [&](double from, double to) {
        return std::any_of(read.begin(), read.end(), [&](double t) { return t >= from && t <= to; });
    };
    EXPECT_TRUE(seen(2.0, 2.1)) << "the second clip did not start at its own time";
    EXPECT_TRUE(seen(2.2, 3.5)) << "the second clip's time was never read";
    EXPECT_EQ(c->MediaName(), "Book");
    EXPECT_EQ(c->Tags(), (MediaTags{"Chapter", "Reader", {}}));
    EXPECT_TRUE(c->Chapters().isEmpty());
    EXPECT_DOUBLE_EQ(c->MediaDuration(), 5.0);
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 0.0);
}

TEST_F(MpvClips, APlacePutBeforeTheTrackLoadsGoesWithTheLoad) {
    // 1.625 is an eighth of a second into the clip of b: nothing before it may be heard.
    const QList<MediaClip> clips{{a, 0.0, 1.0, 0.0}, {a, 2.0, 2.5, 1.0}, {b, 0.25, 1.0, 1.5}};
    const QString output = FDir.filePath("out.raw");
    {
        MpvMediaControl c(MpvMediaControl::Options{"pcm", false, output});
        StateLog log(c);
        c.SetClips("Book", {}, clips, 2.25);
        c.SetCurrentPosition(1.625);
        EXPECT_DOUBLE_EQ(c.CurrentPosition(), 1.625);
        double lowest = 1e9;
        ASSERT_TRUE(WaitUntil([&] {
            if (c.PlayState() == psPlaying)
                lowest = std::min(lowest, c.CurrentPosition());
            return log.Saw(psStopped);
        }));
        EXPECT_EQ(log.States(), kPlayedThrough);
        EXPECT_GE(lowest, 1.625 - 0.01);
    }
    EXPECT_TRUE(HeardAsExpected(ReadRawSamples(output), {{4000, Samples(0.125)}, {5000, Samples(0.5)}}));
}

TEST_F(MpvClips, PlacesPutWhilePlayingLandAcrossClipsAndPastTheEndEndTheTrack) {
    // Stretches long enough that a place put lies well before the output has taken in their end.
    const QString longer = Steps("long.wav", {{6.0, 1000}});
    const QList<MediaClip> clips{{longer, 0.0, 2.0, 0.0}, {longer, 3.0, 5.0, 2.5}, {b, 0.0, 1.0, 4.5}};
    auto c = RealTime();
    StateLog log(*c);
    c->SetClips("Book", {}, clips, 5.5);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    const auto landsAt = [&](double put, double expected) {
        c->SetCurrentPosition(put);
        EXPECT_NEAR(c->CurrentPosition(), expected, 1e-9) << "put " << put << ": no read back at once";
        EXPECT_TRUE(WaitUntil([&] { return c->CurrentPosition() > expected + 0.05; })) << put;
        EXPECT_LT(c->CurrentPosition(), expected + 0.5) << "put " << put;
    };
    landsAt(4.6, 4.6); // into the other file
    landsAt(3.0, 3.0); // back into the first file, past the part skipped
    landsAt(2.2, 2.5); // in no clip: the next one's start
    landsAt(0.4, 0.4); // and back to the first stretch
    landsAt(0.8, 0.8); // within the stretch playing
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying}));
    // Pause and play act on the track as on a file, with no state of opening between clips.
    c->Pause();
    EXPECT_EQ(c->PlayState(), psPaused);
    const double paused = c->CurrentPosition();
    QTest::qWait(300);
    EXPECT_NEAR(c->CurrentPosition(), paused, 0.05);
    c->Play();
    c->SetCurrentPosition(5.5);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(),
              (std::vector<int>{psTransitioning, psPlaying, psPaused, psPlaying, psMediaEnded, psStopped}));
    EXPECT_FALSE(c->EndedByFailure());
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 0.0);
    // A place past the end put before the track loads ends it too, unheard.
    log.Clear();
    c->SetClips("Book", {}, clips, 5.5);
    c->SetCurrentPosition(6.0);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psMediaEnded, psStopped}));
    EXPECT_FALSE(c->EndedByFailure());
}

TEST_F(MpvClips, TheRateStaysAcrossChangesOfClip) {
    const QList<MediaClip> clips{{a, 0.0, 1.0, 0.0}, {b, 0.0, 1.0, 1.0}, {a, 2.0, 3.0, 2.0}};
    const std::vector<std::int16_t> heard = Hear(clips, 3.0, {}, 2.0);
    EXPECT_EQ(FStates, kPlayedThrough);
    EXPECT_DOUBLE_EQ(FRate, 2.0);
    // Three seconds at double speed are one and a half heard; at normal speed after a change of
    // clip they would be well over two.
    EXPECT_NEAR(static_cast<double>(heard.size()), 1.5 * kRate, 0.2 * kRate);
}

TEST_F(MpvClips, TheFileHintedAfterTheTrackFollowsItsLastClipWithNoGap) {
    // In real time, as a listener hears it: decoding at full speed could finish the next file
    // before the posted call that sets it runs.
    // Long enough that the output has not taken in all of it before the posted call runs.
    const QString c = Steps("c.wav", {{3.0, 6000}});
    std::vector<int> states;
    int openings = 0;
    {
        MpvMediaControl control(MpvMediaControl::Options{"null", false});
        StateLog log(control);
        bool second = false;
        // As the window does: the next track set from a posted call once the book has ended.
        QObject::connect(&control, &MediaControl::PlayStateChange, &control, [&](int state) {
            if (state == psMediaEnded && !second)
                QMetaObject::invokeMethod(
                    &control,
                    [&] {
                        second = true;
                        control.SetUrl(c);
                    },
                    Qt::QueuedConnection);
        });
        // The book ends with a cut of its last file, the file after it follows from its start.
        control.SetClips("Book", {}, {{a, 0.0, 0.5, 0.0}, {b, 0.0, 0.5, 0.5}}, 1.0);
        control.SetNextUrl(c, 0.0);
        ASSERT_TRUE(WaitUntil([&] { return second && log.Count(psStopped) == 2; }));
        ASSERT_TRUE(WaitForBarrier(control));
        states = log.States();
        openings = control.AudioOutputOpenings();
    }
    EXPECT_EQ(states, (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped, psTransitioning,
                                        psPlaying, psMediaEnded, psStopped}));
    EXPECT_EQ(openings, 1) << "the file after the track did not follow on the open output";
}

TEST_F(MpvClips, ClipsThatCannotBePlayedArePassedOverAndOnePastItsFilesEndEndsWithIt) {
    const QString fifo = FDir.filePath("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString broken = FDir.filePath("broken.wav");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF but nothing a decoder could read");
    }
    const QList<MediaClip> clips{
        {a, 0.0, 0.5, 0.0},       {FDir.filePath("missing.wav"), 0.0, 1.0, 0.5},
        {fifo, 0.0, 1.0, 1.5},    {b, 0.75, 2.0, 2.5}, // b lasts 1 s: a quarter of a second of it
        {broken, 0.0, 1.0, 3.75}, {a, 2.0, 2.5, 4.75},
    };
    const std::vector<std::int16_t> heard = Hear(clips, 5.25);
    EXPECT_EQ(FStates, kPlayedThrough);
    EXPECT_FALSE(FFailed);
    EXPECT_TRUE(HeardAsExpected(heard, {{1000, Samples(0.5)}, {5000, Samples(0.25)}, {3000, Samples(0.5)}}));
}

TEST_F(MpvClips, ATrackWithNoClipThatCanBePlayedEndsAsAFailure) {
    const QString broken = FDir.filePath("broken.wav");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF but nothing a decoder could read");
    }
    const QList<QList<MediaClip>> tracks{
        {},
        {{FDir.filePath("missing.wav"), 0.0, 1.0, 0.0}, {"/dev/zero", 0.0, 1.0, 1.0}},
        {{broken, 0.0, 1.0, 0.0}, {broken, 2.0, 3.0, 1.0}},
    };
    auto c = Fast();
    for (const QList<MediaClip>& clips : tracks) {
        StateLog log(*c);
        c->SetClips("Book", {}, clips, 2.0);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << clips.size();
        ASSERT_TRUE(WaitForBarrier(*c));
        EXPECT_EQ(log.States(), kFailed) << clips.size();
        EXPECT_TRUE(c->EndedByFailure()) << clips.size();
    }
    // The next track set is judged on its own.
    StateLog log(*c);
    c->SetClips("Book", {}, {{a, 0.0, 0.2, 0.0}}, 0.2);
    c->Pause(); // while opening: it opens paused
    ASSERT_TRUE(Reaches(*c, psPaused));
    EXPECT_FALSE(c->EndedByFailure());
    c->Play();
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(),
              (std::vector<int>{psTransitioning, psPaused, psPlaying, psMediaEnded, psStopped}));
}

} // namespace
