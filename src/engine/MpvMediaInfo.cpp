#include "engine/MpvMediaInfo.h"

#include "engine/MpvEvents.h"

void MpvMediaInfo::SetFile(const QString& name, bool fixedName) {
    FName = name;
    FDuration = 0.0;
    FFixedName = fixedName;
}

void MpvMediaInfo::Clear() {
    FName.clear();
    FDuration = 0.0;
}

void MpvMediaInfo::OnStartFile() {
    // The length stays: mpv tells only changes, so a file as long as the one before is told
    // nothing, and the length it has is the one last told.
    FSeenTitle.clear();
}

void MpvMediaInfo::OnLoaded() {
    FDuration = FSeenDuration;
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
        if (!FSeenTitle.isEmpty() && !FFixedName)
            FName = FSeenTitle;
        return;
    default:
        return;
    }
}

void MpvMediaInfo::Adopt() {
    FDuration = FSeenDuration;
    if (!FSeenTitle.isEmpty() && !FFixedName)
        FName = FSeenTitle;
}
