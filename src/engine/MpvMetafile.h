#pragma once

#include "formats/AsxPlaylist.h"

#include <vector>

/// A metafile played entry by entry. Each entry is opened only once it is reached, and exactly as
/// the file it names would be on its own, so that an entry costs no more than that file and can
/// refer to nothing further. The entries read as one track: places count from the start of the
/// first entry, and the length is that of the entries reached so far, as the others are unopened.
class MpvMetafile {
public:
    /// An entry and a place in it.
    struct Place {
        int index = 0;
        double seconds = 0.0;
    };

    /// Plays `entries` from the first; none leaves nothing to play.
    void Start(std::vector<AsxEntry> entries);
    /// Nothing is played as a metafile any more.
    void Clear();
    /// The last entry played to its end: places read from 0 again, the length stays.
    void Finish() { FFinished = true; }

    /// True while the file set is a metafile with an entry to play.
    bool Playing() const { return !FEntries.empty() && !FFinished; }
    /// True for a metafile, also once it has ended.
    bool Active() const { return !FEntries.empty(); }
    int Index() const { return FIndex; }
    const AsxEntry& Current() const { return FEntries[static_cast<std::size_t>(FIndex)]; }
    /// The entry after the current one, or null at the last.
    const AsxEntry* Next() const;
    /// Where the current entry starts in the whole; 0 once finished.
    double Offset() const { return FFinished ? 0.0 : FStarts[static_cast<std::size_t>(FIndex)]; }
    /// The length of the entries reached so far, the current one lasting `currentLength`.
    double Length(double currentLength) const {
        return FStarts[static_cast<std::size_t>(FIndex)] + currentLength;
    }

    /// The current entry ended after `length` seconds: the next one becomes current. Returns false
    /// at the last entry.
    bool Advance(double length);
    /// A place in the whole is asked for: where it lies among the entries whose start is known. A
    /// place past those goes on into the entries after them as they are reached (StartOnTheWay).
    Place Locate(double seconds);
    void MoveTo(int index) { FIndex = index; }
    /// Where the current entry is opened from, on the way to the place last asked for.
    double StartOnTheWay() const;

private:
    std::vector<AsxEntry> FEntries;
    std::vector<double> FStarts{0.0}; // of the entries reached so far; the first starts at 0
    int FIndex = 0;
    double FAimedAt = 0.0;
    bool FFinished = false;
};
