// Metafiles played by the control: one track made of its entries, each opened once it is reached.
#include "engine/MpvMetafile.h"

#include "engine/MpvMediaControl.h"
#include "formats/MidiSynth.h"

#include "MidiWriter.h"
#include "MpvTestSupport.h"
#include "WavWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class MpvMetafileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const QString& name) const { return FDir.path() + QLatin1Char('/') + name; }

    /// Plays `path` to its end, from `start` seconds when given, noting each name it plays under.
    bool PlayToTheEnd(const QString& path, double start = 0.0) {
        StateLog log(FControl);
        FNames.clear();
        FLowest = 1e9;
        FControl.SetUrl(path);
        if (start > 0.0)
            FControl.SetCurrentPosition(start);
        const bool ended = WaitUntil(
            [&] {
                if (FControl.PlayState() == psPlaying) {
                    if (FNames.empty() || FNames.back() != FControl.MediaName())
                        FNames.push_back(FControl.MediaName());
                    FLowest = std::min(FLowest, FControl.CurrentPosition());
                }
                return log.Saw(psStopped);
            },
            20000); // bounds a hang only
        FStates = log.States();
        return ended;
    }

    QTemporaryDir FDir;
    MpvMediaControl FControl{MpvMediaControl::Options{"null", false}};
    std::vector<int> FStates;
    std::vector<QString> FNames;
    double FLowest = 1e9; // the lowest position read while playing
};

const std::vector<int> kPlayedThrough{psTransitioning, psPlaying, psMediaEnded, psStopped};

TEST_F(MpvMetafileTest, EntriesPlayOneAfterAnotherAsOneTrackNamedByTheEntryPlaying) {
    if (InstalledSoundfont().empty())
        GTEST_SKIP() << "no General MIDI soundfont installed";
    // Two sample rates, a MIDI song, a name with a list's separators in it, and more MIDI entries
    // than synthesisers may exist at once.
    ASSERT_TRUE(WriteToneWav(Path("one.wav"), 1.0, 8000));
    ASSERT_TRUE(WriteBytes(Path("two.mid"), MidiTuneBytes({{0, 480, 60, 100, 0}}, 480, 500000, 3 * 480)));
    ASSERT_TRUE(WriteToneWav(Path("th;r,e%e.wav"), 0.5, 44100));
    ASSERT_TRUE(WriteBytes(Path("short.mid"), MidiTuneBytes({{0, 240, 64, 100, 0}}, 480, 500000, 480)));
    QByteArray midiEntries;
    for (int i = 0; i <= MidiSynthPool::kMaxSynths; ++i)
        midiEntries +=
            "<entry><title>Song " + QByteArray::number(i) + "</title><ref href=\"short.mid\"/></entry>";
    ASSERT_TRUE(WriteBytes(Path("list.asx"), R"(<asx version="3.0">
  <entry><title>One</title><ref href="one.wav"/></entry>
  <entry><title>Two; with, separators %3%</title><ref href="two.mid"/></entry>
  <entry><ref href="http://example.org/remote.mp3"/></entry>
  <entry><ref href="th%3Br,e%25e.wav"/></entry>)" +
                                                 midiEntries + "</asx>"));
    ASSERT_TRUE(PlayToTheEnd(Path("list.asx")));
    EXPECT_EQ(FStates, kPlayedThrough);
    EXPECT_FALSE(FControl.EndedByFailure());
    EXPECT_NEAR(FControl.MediaDuration(), 1.0 + 1.5 + 0.5 + 0.5 * (MidiSynthPool::kMaxSynths + 1), 0.05);
    // The metafile's own name at most until its first entry has begun.
    if (!FNames.empty() && FNames.front() == "list.asx")
        FNames.erase(FNames.begin());
    std::vector<QString> expected{"One", "Two; with, separators %3%", "th;r,e%e.wav"};
    for (int i = 0; i <= MidiSynthPool::kMaxSynths; ++i)
        expected.push_back("Song " + QString::number(i));
    EXPECT_EQ(FNames, expected);
}

TEST_F(MpvMetafileTest, APlaceAskedForLandsInTheEntryItFallsIn) {
    for (const char* name : {"one.wav", "two.wav", "three.wav"})
        ASSERT_TRUE(WriteToneWav(Path(name), 0.8, 8000));
    ASSERT_TRUE(WriteBytes(Path("list.asx"), R"(<asx version="3.0">
  <entry><title>One</title><ref href="one.wav"/></entry>
  <entry><title>Two</title><ref href="two.wav"/></entry>
  <entry><title>Three</title><ref href="three.wav"/></entry>
</asx>)"));
    // As a remembered place is put back: before the metafile opens, past its first entry.
    ASSERT_TRUE(PlayToTheEnd(Path("list.asx"), 1.2));
    EXPECT_EQ(FStates, kPlayedThrough);
    ASSERT_FALSE(FNames.empty());
    EXPECT_EQ(FNames.back(), "Three");
    EXPECT_GE(FLowest, 1.2 - 0.05) << "played from before the place";
    EXPECT_NEAR(FControl.MediaDuration(), 2.4, 0.02);
}

TEST_F(MpvMetafileTest, NothingPlayableEndsAsAFailure) {
    ASSERT_TRUE(WriteToneWav(Path("one.wav"), 0.5, 8000));
    ASSERT_TRUE(
        WriteBytes(Path("remote.wax"), R"(<asx><entry><ref href="mms://example.org/x"/></entry></asx>)"));
    ASSERT_TRUE(WriteBytes(Path("hostile.asx"), R"(<!DOCTYPE asx [<!ENTITY e "one.wav">]><asx>
<entry><ref href="&e;"/></entry><entry><ref href="one.wav"/></entry></asx>)"));
    ASSERT_TRUE(WriteBytes(Path("broken.asx"), R"(<asx><entry><ref href="broken.wav"/></entry></asx>)"));
    ASSERT_TRUE(WriteBytes(Path("broken.wav"), "RIFF but nothing more"));
    for (const char* name : {"remote.wax", "hostile.asx", "missing.asx", "broken.asx"}) {
        ASSERT_TRUE(PlayToTheEnd(Path(name))) << name;
        EXPECT_EQ(FStates, (std::vector<int>{psTransitioning, psMediaEnded, psStopped})) << name;
        EXPECT_TRUE(FControl.EndedByFailure()) << name;
    }
}

} // namespace
