#pragma once

#include "engine/MediaControl.h"
#include "engine/MpvClient.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

/// A stretch of one file played as one mpv entry: clips of the file that touch, merged.
struct MpvStretch {
    QString path;
    double begin = 0.0; // file seconds
    double end = 0.0;   // file seconds
    double at = 0.0;    // track seconds where it starts
    double TrackEnd() const { return at + (end - begin); }
};

/// Merges clips into the stretches they play as, in order: clips of one file that touch both in
/// the file and in track time (within a millisecond) make one stretch. Clips with nothing to play
/// (an end not after the begin, or a place that is no number) are left out.
std::vector<MpvStretch> MergeClips(const QList<MediaClip>& clips);

/// The control's side of a track made of clips: which stretch plays, where track time lies in the
/// files, and what is prepared behind the stretch playing. Opening a file is the control's: it is
/// asked for through Actions, always from the UI thread. Only the stretch reached is ever opened;
/// one whose file is no regular file is passed over without being opened.
class MpvClipPlayback {
public:
    struct Actions {
        /// Opens the stretch of `path` from `start` to `end` (file seconds).
        std::function<void(const QString& path, double start, double end, MpvClient::OnRefusal onRefusal)>
            open;
        /// Hints what to prepare behind the stretch just opened: a stretch when `end` is given,
        /// otherwise the file that follows the track.
        std::function<void(const QString& path, double start, std::optional<double> end)> prepare;
        /// Whether the file may be opened at all (the open rule's regular-file check).
        std::function<bool(const QString& path)> playable;
    };

    /// Where a place in track time was found.
    enum class Found {
        InCurrent, // in the stretch playing: a seek there, to the file seconds given
        Opened,    // in another stretch, opened there
        PastEnd,   // past the last stretch that can be played: the track ends
    };

    explicit MpvClipPlayback(Actions actions) : FActions(std::move(actions)) {}

    /// Plays the clips from the first stretch that can be played, lasting `length` in all; returns
    /// false, having opened nothing, when none can be.
    bool Start(const QList<MediaClip>& clips, double length);
    /// Nothing is played as clips any more.
    void Clear();
    /// The track ended: places read from 0 again, the length stays.
    void Finish() { FFinished = true; }

    /// True while the track set is made of clips and has not ended.
    bool Playing() const { return !FStretches.empty() && !FFinished; }
    /// True for a track made of clips, also once it has ended.
    bool Active() const { return !FStretches.empty(); }
    double Length() const { return FLength; }
    int Index() const { return FIndex; }
    const std::vector<MpvStretch>& Stretches() const { return FStretches; }

    /// Track time at `filePosition` in the stretch playing, kept within it; `filePosition` itself
    /// once the track has ended.
    double TrackTime(double filePosition) const;

    /// The file hinted to follow the track; returns true when it waits for the last stretch, the
    /// next stretch being prepared meanwhile.
    bool Hint(const QString& path, double start);
    /// The stretch playing ended; returns true when the track goes on into the next one, opened.
    bool StretchEnded();
    /// A place in track time is asked for. Throws MediaControlError as the opening does.
    std::pair<Found, double> Seek(double seconds);

private:
    int NextPlayable(int from) const;
    void OpenAt(int index, double start, MpvClient::OnRefusal onRefusal);

    Actions FActions;
    std::vector<MpvStretch> FStretches;
    double FLength = 0.0;
    int FIndex = 0;
    int FNext = -1; // the next stretch that can be played, -1 after the last
    bool FFinished = false;
    std::optional<std::pair<QString, double>> FLaterFile; // the hint for after the last stretch
};
