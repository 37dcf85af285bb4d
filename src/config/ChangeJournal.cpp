#include "config/ChangeJournal.h"

#include <utility>

void TChangeJournal::Record(const QString& group, const QString& subject, Replay replay) {
    if (!subject.isEmpty()) {
        if (const auto found = FChangeOf.constFind(subject); found != FChangeOf.cend()) {
            FChanges[static_cast<std::size_t>(*found)].replay = std::move(replay);
            return;
        }
        FChangeOf.insert(subject, static_cast<int>(FChanges.size()));
        if (!group.isEmpty())
            FGroup[group].append(subject);
    }
    FChanges.push_back(Change{std::move(replay), false});
}

void TChangeJournal::Cancel(const QString& group) {
    const auto found = FGroup.find(group);
    if (found == FGroup.end())
        return;
    for (const QString& subject : *found)
        FChanges[static_cast<std::size_t>(FChangeOf.take(subject))].cancelled = true;
    FGroup.erase(found);
}

void TChangeJournal::ReplayAll() const {
    for (const Change& change : FChanges) {
        if (!change.cancelled)
            change.replay();
    }
}

void TChangeJournal::Clear() {
    FChanges.clear();
    FChangeOf.clear();
    FGroup.clear();
}
