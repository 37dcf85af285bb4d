#include "engine/MpvMediaInfo.h"

#include "engine/MpvEvents.h"

void MpvMediaInfo::SetFile(const QString& name, bool timeline) {
    FName = name;
    FDuration = 0.0;
    FTimeline = timeline;
}

void MpvMediaInfo::Clear() {
    FName.clear();
    FDuration = 0.0;
}

void MpvMediaInfo::OnStartFile() {
    FSeenDuration = 0.0;
    FSeenTitle.clear();
}

void MpvMediaInfo::OnProperty(const MpvEventData& event, bool current) {
    switch (event.property) {
    case MpvProperty::Duration:
        FSeenDuration = event.hasValue ? event.number : 0.0;
        break;
    case MpvProperty::MediaTitle:
        if (event.hasValue && !event.text.isEmpty())
            FSeenTitle = event.text;
        break;
    default:
        break;
    }
    if (!current)
        return;
    switch (event.property) {
    case MpvProperty::Duration:
        FDuration = FSeenDuration;
        return;
    case MpvProperty::MediaTitle:
        if (!FSeenTitle.isEmpty() && !FTimeline)
            FName = FSeenTitle;
        return;
    case MpvProperty::TimelineTitle:
        if (event.hasValue && !event.text.isEmpty() && FTimeline)
            FName = event.text;
        return;
    default:
        return;
    }
}

void MpvMediaInfo::Adopt() {
    FDuration = FSeenDuration;
    if (!FSeenTitle.isEmpty())
        FName = FSeenTitle;
}
