#pragma once

#include "util/PathList.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// A place playback stood at: a track of the list and a time in it.
struct JumpPlace {
    QString file;
    int index = -1; // in the track list
    double seconds = 0;
};

/// The places playback jumped away from in this run, for going back to them one by one. Every
/// jump (a typed time, a bookmark, a long seek, a change of track) tells it where it leaves from
/// through AboutToJump; the last kKept places are kept.
class TJumpHistory {
public:
    static constexpr int kKept = 10;

    /// Playback is about to leave from; a place without a file is not kept, nor one that repeats
    /// the last kept.
    void AboutToJump(const JumpPlace& from);
    /// The last place kept, now forgotten; nothing when none is left.
    std::optional<JumpPlace> Back();
    qsizetype Size() const { return FPlaces.size(); }

    /// Where place is in files: its own index while that still holds its file, else the first
    /// index holding it; -1 when the list no longer has it.
    static int IndexIn(const TPathList& files, const JumpPlace& place);

private:
    QList<JumpPlace> FPlaces; // oldest first
};
