// Which stretch of a track made of clips plays, and what it asks the control to open and prepare.
#include "engine/MpvClipPlayback.h"

#include <QSet>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

struct Opened {
    QString path;
    double start;
    std::optional<double> end;
    bool operator==(const Opened&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Opened& o) {
    return out << o.path.toStdString() << " " << o.start << ".." << (o.end ? *o.end : -1.0);
}

/// Records what the playback asks for, with a set of files that cannot be opened.
struct Recorder {
    std::vector<Opened> opened;
    std::vector<Opened> prepared;
    QSet<QString> missing;
    int asked = 0; // how many times a file was asked about

    MpvClipPlayback Make() {
        return MpvClipPlayback({[this](const QString& path, double start, double end, MpvClient::OnRefusal) {
                                    opened.push_back({path, start, end});
                                },
                                [this](const QString& path, double start, std::optional<double> end) {
                                    prepared.push_back({path, start, end});
                                },
                                [this](const QString& path) {
                                    ++asked;
                                    return !missing.contains(path);
                                }});
    }
};

TEST(MpvClipMerge, TouchingClipsOfOneFileBecomeOneStretchAndOthersStayApart) {
    const QList<MediaClip> clips{
        {"/a.mp3", 0.0, 1.0, 0.0},
        {"/a.mp3", 1.0005, 2.0, 1.0005}, // touches within a millisecond: one stretch
        {"/a.mp3", 3.0, 4.0, 2.0},       // a part of the file skipped
        {"/b.mp3", 4.0, 5.0, 3.0},       // touches in track time, but another file
        {"/b.mp3", 5.0, 6.0, 10.0},      // touches in the file, not in track time
        {"/b.mp3", 7.0, 7.0, 11.0},      // nothing to play
        {"/b.mp3", std::nan(""), 8.0, 11.0},
        {"/c.mp3", -2.0, 1.0, 12.0}, // a begin before the file's start is its start
    };
    const std::vector<MpvStretch> s = MergeClips(clips);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].path, "/a.mp3");
    EXPECT_DOUBLE_EQ(s[0].begin, 0.0);
    EXPECT_DOUBLE_EQ(s[0].end, 2.0);
    EXPECT_DOUBLE_EQ(s[1].begin, 3.0);
    EXPECT_DOUBLE_EQ(s[1].at, 2.0);
    EXPECT_EQ(s[2].path, "/b.mp3");
    EXPECT_DOUBLE_EQ(s[3].at, 10.0);
    EXPECT_DOUBLE_EQ(s[4].begin, 0.0);
    EXPECT_DOUBLE_EQ(s[4].TrackEnd(), 13.0);
}

// Book: a.mp3 0..2 at 0 | a.mp3 5..6 at 2 | b.mp3 0..3 at 4 (track time 3..4 lies in no clip).
const QList<MediaClip> kBook{{"/a.mp3", 0.0, 1.0, 0.0},
                             {"/a.mp3", 1.0, 2.0, 1.0},
                             {"/a.mp3", 5.0, 6.0, 2.0},
                             {"/b.mp3", 0.0, 3.0, 4.0}};

TEST(MpvClipPlayback, PlaysStretchByStretchPreparingEachNextAndTheLaterFileLast) {
    Recorder r;
    MpvClipPlayback p = r.Make();
    ASSERT_TRUE(p.Start(kBook, 7.0));
    EXPECT_EQ(r.opened, (std::vector<Opened>{{"/a.mp3", 0.0, 2.0}}));
    EXPECT_EQ(r.prepared, (std::vector<Opened>{{"/a.mp3", 5.0, 6.0}}));
    // The hint for after the track waits while stretches remain.
    EXPECT_TRUE(p.Hint("/next.mp3", 12.0));
    EXPECT_DOUBLE_EQ(p.TrackTime(1.5), 1.5);

    ASSERT_TRUE(p.StretchEnded());
    EXPECT_EQ(r.opened.back(), (Opened{"/a.mp3", 5.0, 6.0}));
    EXPECT_EQ(r.prepared.back(), (Opened{"/b.mp3", 0.0, 3.0}));
    EXPECT_DOUBLE_EQ(p.TrackTime(5.5), 2.5);
    EXPECT_DOUBLE_EQ(p.TrackTime(4.99), 2.0) << "mpv's landing before the start reads as the start";
    EXPECT_DOUBLE_EQ(p.TrackTime(6.5), 3.0) << "nothing reads past the stretch";

    ASSERT_TRUE(p.StretchEnded());
    EXPECT_EQ(r.opened.back(), (Opened{"/b.mp3", 0.0, 3.0}));
    EXPECT_EQ(r.prepared.back(), (Opened{"/next.mp3", 12.0, std::nullopt}));
    EXPECT_DOUBLE_EQ(p.TrackTime(0.5), 4.5);
    // At the last stretch the hint is the control's to prepare at once.
    EXPECT_FALSE(p.Hint("/other.mp3", 0.0));
    EXPECT_FALSE(p.StretchEnded());
    EXPECT_DOUBLE_EQ(p.Length(), 7.0);
    p.Finish();
    EXPECT_FALSE(p.Playing());
    EXPECT_TRUE(p.Active());
    EXPECT_DOUBLE_EQ(p.TrackTime(0.0), 0.0);
}

TEST(MpvClipPlayback, APlaceOpensTheStretchItLiesInOrTheNextOne) {
    Recorder r;
    MpvClipPlayback p = r.Make();
    ASSERT_TRUE(p.Start(kBook, 7.0));
    using F = MpvClipPlayback::Found;
    // In the stretch playing: a seek within its file.
    EXPECT_EQ(p.Seek(1.25), std::make_pair(F::InCurrent, 1.25));
    EXPECT_EQ(r.opened.size(), 1u);
    // In the skipped part's stretch: opened there, in its file's seconds.
    EXPECT_EQ(p.Seek(2.5), std::make_pair(F::Opened, 5.5));
    EXPECT_EQ(r.opened.back(), (Opened{"/a.mp3", 5.5, 6.0}));
    EXPECT_EQ(p.Index(), 1);
    // Between clips: the start of the next one.
    EXPECT_EQ(p.Seek(3.5), std::make_pair(F::Opened, 0.0));
    EXPECT_EQ(r.opened.back(), (Opened{"/b.mp3", 0.0, 3.0}));
    // Right at a stretch's end: the next one, not a place its file has no time left at.
    EXPECT_EQ(p.Seek(0.0), std::make_pair(F::Opened, 0.0));
    EXPECT_EQ(p.Seek(2.0), std::make_pair(F::Opened, 5.0));
    // Back into the first: its begin plus the place.
    EXPECT_EQ(p.Seek(0.75), std::make_pair(F::Opened, 0.75));
    EXPECT_EQ(p.Seek(7.0), std::make_pair(F::PastEnd, 0.0));
    EXPECT_EQ(p.Seek(1e9), std::make_pair(F::PastEnd, 0.0));
    EXPECT_EQ(p.Index(), 0) << "a place past the end opens nothing";
}

TEST(MpvClipPlayback, StretchesOfAFileThatCannotBeOpenedArePassedOverAskingOnce) {
    Recorder r;
    r.missing = {"/a.mp3"};
    MpvClipPlayback p = r.Make();
    ASSERT_TRUE(p.Start(kBook, 7.0));
    EXPECT_EQ(r.opened, (std::vector<Opened>{{"/b.mp3", 0.0, 3.0}}));
    EXPECT_EQ(r.asked, 2) << "the missing file's two stretches asked about once";
    EXPECT_DOUBLE_EQ(p.TrackTime(1.0), 5.0);
    // A place in a stretch of the missing file goes on to the next that can be played.
    EXPECT_EQ(p.Seek(0.5), std::make_pair(MpvClipPlayback::Found::InCurrent, 0.0));

    r.missing = {"/b.mp3"};
    ASSERT_TRUE(p.Start(kBook, 7.0));
    EXPECT_EQ(r.opened.back(), (Opened{"/a.mp3", 0.0, 2.0}));
    ASSERT_TRUE(p.StretchEnded());
    EXPECT_FALSE(p.StretchEnded()) << "the last stretch that can be played is the end";
    EXPECT_EQ(p.Seek(4.5), std::make_pair(MpvClipPlayback::Found::PastEnd, 0.0));

    r.missing = {"/a.mp3", "/b.mp3"};
    r.opened.clear();
    EXPECT_FALSE(p.Start(kBook, 7.0));
    EXPECT_FALSE(p.Active());
    EXPECT_TRUE(r.opened.empty());
    EXPECT_FALSE(p.Start({}, 0.0));
}

} // namespace
