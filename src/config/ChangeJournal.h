#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

/// What this run changed in a store, kept so that a save can replay it over the file as another
/// instance left it. One change per subject: recording a subject again replaces its change where
/// it stands, so a replay is as long as the number of things changed, not of writes made.
/// Internal to src/config.
class TChangeJournal {
public:
    using Replay = std::function<void()>;

    /// Records replay under subject; a change recorded earlier under the same subject is replaced
    /// in its place. A change in a group is cancelled with it (an empty group: never); an empty
    /// subject is never replaced.
    void Record(const QString& group, const QString& subject, Replay replay);
    /// Cancels every change recorded in group so far: a section's drop undoes the writes to it.
    void Cancel(const QString& group);
    /// Replays the changes left, in the order they were first recorded.
    void ReplayAll() const;
    void Clear();
    bool IsEmpty() const { return FChanges.empty(); }

private:
    struct Change {
        Replay replay;
        bool cancelled = false;
    };
    std::vector<Change> FChanges;
    QHash<QString, int> FChangeOf;      // subject -> its change
    QHash<QString, QStringList> FGroup; // group -> the subjects recorded in it since it was cancelled
};
