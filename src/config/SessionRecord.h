#pragma once

#include "util/PathList.h"

#include <QString>
#include <QStringList>

#include <optional>

class TSectionedStore;

/// The last session as stored: what a start with arguments was given and where it stood.
struct SessionState {
    QStringList arguments; // absolute, in the order given
    int sortType = 0;      // the order the list was built with
    QStringList order;     // the list as it played when it was shuffled; empty otherwise
    int index = -1;        // the current track, -1 when none was noted
    QString current;       // its path, absolute
    double seconds = 0;    // the place reached in it
};

/// The last session of a start with arguments, in a section of the resume file of its own. The
/// section has no Path entry, so the resume store's rules (and older builds) leave it alone, and
/// its name holds a ':' that a file's section name never does.
///
/// Two instances write the same record: the later start wins. Each place noted carries the
/// session's id, so that a place written over another instance's session is known and ignored,
/// and a run that finds another session stored writes its own whole again before its place.
class TSessionRecord {
public:
    static const QString kSection;

    explicit TSessionRecord(TSectionedStore& store);

    /// The stored session; nothing when there is none.
    std::optional<SessionState> Load() const;
    /// A start with arguments replaces the stored session; files is the list as built, in order.
    void Begin(const QStringList& arguments, int sortType, const TPathList& files);
    /// Carries on with the stored session (it was restored); nothing when there is none.
    void Adopt();
    /// The place reached; nothing before Begin or Adopt. Failures are ignored.
    void NotePlace(int index, const QString& path, double seconds);

private:
    void WriteWhole();

    TSectionedStore& FStore;
    QString FId; // this run's session; empty until Begin or Adopt
    SessionState FState;
};
