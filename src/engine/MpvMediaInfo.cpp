#include "engine/MpvMediaInfo.h"

#include "engine/MpvEvents.h"

#include <QFileInfo>

namespace {

/// The tag a property carries, or nullptr for any other property.
QString* TagOf(MediaTags& tags, MpvProperty property) {
    switch (property) {
    case MpvProperty::TitleTag:
        return &tags.title;
    case MpvProperty::ArtistTag:
        return &tags.artist;
    case MpvProperty::AlbumTag:
        return &tags.album;
    default:
        return nullptr;
    }
}

} // namespace

void MpvMediaInfo::SetFile(const QString& path, bool timeline) {
    FName = QFileInfo(path).fileName();
    FTags = {};
    FChapters.SetFile(path);
    FDuration = 0.0;
    FTimeline = timeline;
}

void MpvMediaInfo::Clear() {
    FName.clear();
    FTags = {};
    FDuration = 0.0;
    FChapters.Clear();
}

void MpvMediaInfo::OnStartFile() {
    FSeenDuration = 0.0;
    FSeenTitle.clear();
    FSeenTags = {};
    FChapters.OnStartFile();
}

bool MpvMediaInfo::OnProperty(const MpvEventData& event, bool current) {
    FChapters.OnProperty(event, current);
    const MediaTags before = FTags;
    OnNameOrLength(event, current);
    if (QString* seen = TagOf(FSeenTags, event.property)) {
        *seen = event.hasValue ? event.text.trimmed() : QString();
        if (current && !FTimeline)
            *TagOf(FTags, event.property) = *seen;
    }
    return !(FTags == before);
}

void MpvMediaInfo::OnNameOrLength(const MpvEventData& event, bool current) {
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
        if (event.hasValue && !event.text.isEmpty() && FTimeline) {
            FName = event.text;
            FTags.title = event.text;
        }
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
    if (!FTimeline)
        FTags = FSeenTags;
}
