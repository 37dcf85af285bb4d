#pragma once

#include "engine/MpvClient.h"
#include "engine/MpvLengthReader.h"
#include "engine/MpvMetafile.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QObject;

/// The control's side of a metafile: which entry is opened, where, and what is prepared behind
/// it; the places and the length of the whole; and the length of an entry that ended before mpv
/// told it, read from the entry's header on a thread of its own. Opening a file is the control's:
/// it is asked for through Actions, always from the UI thread.
class MpvMetafilePlayback {
public:
    struct Actions {
        /// Opens `entry` as the file it names would be on its own, from `start`, under the entry's
        /// title; `goingOn`: the track goes on into it from the entry before.
        std::function<void(const AsxEntry& entry, double start, MpvClient::OnRefusal onRefusal, bool goingOn)>
            open;
        /// Hints the file to prepare behind the entry just opened.
        std::function<void(const QString& path, double start)> prepare;
    };

    /// `owner`: the object the lengths read come back on; this lives no longer than it.
    MpvMetafilePlayback(QObject& owner, Actions actions, MpvLengthReader::Reader reader);

    /// Plays `path` from its first entry when it is a metafile with one to play; returns false,
    /// having opened nothing, for any other file and for a metafile with nothing playable.
    bool Start(const QString& path);
    /// Nothing is played as a metafile any more; a length still being read is forgotten.
    void Clear();
    /// The last entry played to its end: places read from 0 again, the length stays.
    void Finish() { FEntries.Finish(); }

    /// True while the file set is a metafile with an entry to play.
    bool Playing() const { return FEntries.Playing(); }
    /// True for a metafile, also once it has ended.
    bool Active() const { return FEntries.Active(); }

    /// The file hinted to follow the track; returns true when it waits for the last entry, the
    /// next entry being prepared meanwhile.
    bool Hint(const QString& path, double start);
    /// The current entry ended after playing to `reached`; `length` is mpv's length of it (0 when
    /// it told none). Returns true when the track goes on into the next entry, at once or once the
    /// entry's length has been read from its header; false after the last entry.
    bool EntryEnded(double length, double reached);
    /// A place in the whole is asked for: returns where it lies in the current entry, or nullopt
    /// when the entry it lies in has been opened there. Throws MediaControlError as the opening does.
    std::optional<double> Seek(double seconds);

    /// Where the current entry starts in the whole; 0 once finished.
    double Offset() const { return FEntries.Offset(); }
    /// The length of the entries reached so far, the current one lasting `currentLength`.
    double Length(double currentLength) const { return FEntries.Length(currentLength); }

private:
    void GoOn(double length);
    void OpenCurrent(double start, MpvClient::OnRefusal onRefusal, bool goingOn);

    Actions FActions;
    MpvMetafile FEntries;
    std::optional<std::pair<QString, double>> FLaterFile; // the hint for after the last entry
    MpvLengthReader FLengths;                             // last: its thread calls back into this
};
