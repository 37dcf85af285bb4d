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

void MpvMediaInfo::SetFile(const QString& path) {
    FName = QFileInfo(path).fileName();
    FTags = {};
    FChapters.SetFile(path);
    FDuration = 0.0;
    FFixedName = false;
}

void MpvMediaInfo::SetEntry(const QString& title) {
    SetTrack(title, MediaTags{title, {}, {}});
}

void MpvMediaInfo::SetTrack(const QString& name, const MediaTags& tags) {
    FName = name;
    FTags = tags;
    FChapters.Clear();
    FDuration = 0.0;
    FFixedName = true;
}

void MpvMediaInfo::Clear() {
    FName.clear();
    FTags = {};
    FDuration = 0.0;
    FChapters.Clear();
}

void MpvMediaInfo::OnStartFile() {
    // The length stays: mpv tells only changes, so a file as long as the one before is told
    // nothing, and the length it has is the one last told.
    FSeenTitle.clear();
    FSeenTags = {};
    FChapters.OnStartFile();
}

void MpvMediaInfo::OnLoaded() {
    FDuration = FSeenDuration;
}

bool MpvMediaInfo::OnProperty(const MpvEventData& event, bool current) {
    if (!FFixedName || !current)
        FChapters.OnProperty(event, current);
    const MediaTags before = FTags;
    OnNameOrLength(event, current);
    if (QString* seen = TagOf(FSeenTags, event.property)) {
        *seen = event.hasValue ? event.text.trimmed() : QString();
        if (current && !FFixedName)
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
        if (!FSeenTitle.isEmpty() && !FFixedName)
            FName = FSeenTitle;
        return;
    default:
        return;
    }
}

void MpvMediaInfo::Adopt() {
    FDuration = FSeenDuration;
    if (FFixedName)
        return;
    FChapters.Adopt();
    if (!FSeenTitle.isEmpty())
        FName = FSeenTitle;
    FTags = FSeenTags;
}
