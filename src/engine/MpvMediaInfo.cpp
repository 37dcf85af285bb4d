#include "engine/MpvMediaInfo.h"

#include "engine/MpvEvents.h"

#include <QFileInfo>

void MpvMediaInfo::SetFile(const QString& path, bool timeline) {
    FName = QFileInfo(path).fileName();
    FChapters.SetFile(path);
    FDuration = 0.0;
    FTimeline = timeline;
}

void MpvMediaInfo::Clear() {
    FName.clear();
    FDuration = 0.0;
    FChapters.Clear();
}

void MpvMediaInfo::OnStartFile() {
    FSeenDuration = 0.0;
    FSeenTitle.clear();
    FChapters.OnStartFile();
}

void MpvMediaInfo::OnProperty(const MpvEventData& event, bool current) {
    FChapters.OnProperty(event, current);
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
    FChapters.Adopt();
    if (!FSeenTitle.isEmpty())
        FName = FSeenTitle;
}
