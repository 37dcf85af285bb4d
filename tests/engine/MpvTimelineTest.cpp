// Metafile timelines played by a bare libmpv, set up as the control sets it up.
#include "engine/MpvTimeline.h"

#include "engine/MpvMediaControl.h"
#include "engine/MpvMidiProtocol.h"
#include "engine/MpvOpenArgument.h"
#include "formats/MidiSynth.h"

#include "MidiWriter.h"
#include "MpvTestSupport.h"
#include "WavWriter.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <mpv/client.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct MpvDeleter {
    void operator()(mpv_handle* handle) const noexcept { mpv_terminate_destroy(handle); }
};

struct Played {
    int endReason = -1;
    double duration = 0.0;
    std::vector<std::string> titles; // each chapter title as it came up
};

/// Loads `argument` with `options` into an mpv that refuses references by default, and plays it
/// to its end.
Played Play(const QByteArray& argument, const char* options) {
    std::unique_ptr<mpv_handle, MpvDeleter> mpv(mpv_create());
    EXPECT_TRUE(mpv);
    Played out;
    if (!mpv)
        return out;
    // In real time: the untimed null output stalls where the sample rate changes between entries.
    for (const auto& [key, value] : {std::pair{"ao", "null"},
                                     {"vid", "no"},
                                     {"config", "no"},
                                     {"access-references", "no"},
                                     {"load-unsafe-playlists", "no"},
                                     {"ytdl", "no"},
                                     {"load-scripts", "no"}})
        mpv_set_option_string(mpv.get(), key, value);
    EXPECT_GE(mpv_initialize(mpv.get()), 0);
    EXPECT_TRUE(RegisterMidiProtocol(mpv.get()));
    mpv_observe_property(mpv.get(), 1, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv.get(), 2, kTimelineTitleProperty, MPV_FORMAT_STRING);
    const char* load[] = {"loadfile", argument.constData(), "replace", options, nullptr};
    EXPECT_GE(mpv_command(mpv.get(), load), 0);
    QDeadlineTimer deadline(20000); // bounds a hang only
    while (!deadline.hasExpired()) {
        const mpv_event* event = mpv_wait_event(mpv.get(), 0.5);
        if (event->event_id == MPV_EVENT_END_FILE) {
            out.endReason = static_cast<const mpv_event_end_file*>(event->data)->reason;
            break;
        }
        if (event->event_id != MPV_EVENT_PROPERTY_CHANGE)
            continue;
        const auto* property = static_cast<const mpv_event_property*>(event->data);
        if (property->format == MPV_FORMAT_DOUBLE && event->reply_userdata == 1)
            out.duration = *static_cast<const double*>(property->data);
        if (property->format == MPV_FORMAT_STRING && event->reply_userdata == 2)
            out.titles.emplace_back(*static_cast<const char* const*>(property->data));
    }
    return out;
}

class MpvTimelineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const QString& name) const { return FDir.path() + QLatin1Char('/') + name; }
    QTemporaryDir FDir;
};

TEST_F(MpvTimelineTest, MetafileEntriesPlayOneAfterAnotherWithTheirTitles) {
    if (InstalledSoundfont().empty())
        GTEST_SKIP() << "no General MIDI soundfont installed";
    // Two sample rates, a MIDI song, and a name with the timeline's own separators in it.
    ASSERT_TRUE(WriteToneWav(Path("one.wav"), 1.0, 8000));
    ASSERT_TRUE(WriteBytes(Path("two.mid"), MidiTuneBytes({{0, 480, 60, 100, 0}}, 480, 500000, 3 * 480)));
    ASSERT_TRUE(WriteToneWav(Path("th;r,e%e.wav"), 0.5, 44100));
    ASSERT_TRUE(WriteBytes(Path("list.asx"), R"(<asx version="3.0">
  <entry><title>One</title><ref href="one.wav"/></entry>
  <entry><title>Two; with, separators %3%</title><ref href="two.mid"/></entry>
  <entry><ref href="http://example.org/remote.mp3"/></entry>
  <entry><ref href="th%3Br,e%25e.wav"/></entry>
</asx>)"));
    const Played played = Play(MpvOpenArgument(Path("list.asx")), kTimelineLoadOptions);
    EXPECT_EQ(played.endReason, MPV_END_FILE_REASON_EOF);
    EXPECT_NEAR(played.duration, 1.0 + 1.5 + 0.5, 0.02);
    EXPECT_EQ(played.titles, (std::vector<std::string>{"One", "Two; with, separators %3%", "th;r,e%e.wav"}));
}

TEST_F(MpvTimelineTest, NothingPlayableOrNoOptionPlaysNothing) {
    ASSERT_TRUE(WriteToneWav(Path("one.wav"), 0.5, 8000));
    ASSERT_TRUE(
        WriteBytes(Path("remote.wax"), R"(<asx><entry><ref href="mms://example.org/x"/></entry></asx>)"));
    ASSERT_TRUE(WriteBytes(Path("hostile.asx"), R"(<!DOCTYPE asx [<!ENTITY e "one.wav">]><asx>
<entry><ref href="&e;"/></entry><entry><ref href="one.wav"/></entry></asx>)"));
    ASSERT_TRUE(WriteBytes(Path("good.asx"), R"(<asx><entry><ref href="one.wav"/></entry></asx>)"));
    for (const char* name : {"remote.wax", "hostile.asx", "missing.asx"}) {
        const Played played = Play(MpvOpenArgument(Path(name)), kTimelineLoadOptions);
        EXPECT_EQ(played.endReason, MPV_END_FILE_REASON_ERROR) << name;
        EXPECT_TRUE(played.titles.empty()) << name;
    }
    // References stay refused for every file loaded without the option, so nothing else reaches out.
    EXPECT_EQ(Play(MpvOpenArgument(Path("good.asx")), nullptr).endReason, MPV_END_FILE_REASON_ERROR);
    EXPECT_EQ(Play(MpvOpenArgument(Path("good.asx")), kTimelineLoadOptions).endReason,
              MPV_END_FILE_REASON_EOF);
}

TEST_F(MpvTimelineTest, ControlPlaysAMetafileAsOneTrackNamedByTheEntryPlaying) {
    ASSERT_TRUE(WriteToneWav(Path("one.wav"), 0.8, 8000));
    ASSERT_TRUE(WriteToneWav(Path("two.wav"), 0.8, 8000));
    ASSERT_TRUE(WriteToneWav(Path("three.wav"), 0.8, 8000));
    ASSERT_TRUE(WriteBytes(Path("list.asx"), R"(<asx version="3.0">
  <entry><title>One</title><ref href="one.wav"/></entry>
  <entry><title>Two</title><ref href="two.wav"/></entry>
  <entry><ref href="three.wav"/></entry>
</asx>)"));
    ASSERT_TRUE(WriteBytes(Path("hostile.wax"), R"(<!DOCTYPE asx [<!ENTITY e "one.wav">]><asx>
<entry><ref href="&e;"/></entry></asx>)"));

    MpvMediaControl control(MpvMediaControl::Options{"null", false});
    std::vector<int> states;
    std::vector<QString> names;
    const auto playToTheEnd = [&](const QString& path) {
        StateLog log(control);
        names.clear();
        control.SetUrl(path);
        const bool ended = WaitUntil(
            [&] {
                if (control.PlayState() == psPlaying &&
                    (names.empty() || names.back() != control.MediaName()))
                    names.push_back(control.MediaName());
                return log.Saw(psStopped);
            },
            20000); // bounds a hang only
        states = log.States();
        return ended;
    };

    ASSERT_TRUE(playToTheEnd(Path("list.asx")));
    EXPECT_EQ(states, (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_FALSE(control.EndedByFailure());
    EXPECT_NEAR(control.MediaDuration(), 2.4, 0.02);
    // The metafile's own name at most until its first entry has begun.
    if (!names.empty() && names.front() == "list.asx")
        names.erase(names.begin());
    EXPECT_EQ(names, (std::vector<QString>{"One", "Two", "three.wav"}));

    ASSERT_TRUE(playToTheEnd(Path("hostile.wax")));
    EXPECT_EQ(states, (std::vector<int>{psTransitioning, psMediaEnded, psStopped}));
    EXPECT_TRUE(control.EndedByFailure());
}

} // namespace
