#include "engine/MpvChapters.h"

#include "engine/MpvEvents.h"
#include "formats/CueSheet.h"
#include "formats/MediaFileKind.h"

void MpvChapters::SetFile(const QString& path) {
    FFromFile.clear();
    FFromSheet.clear();
    // A metafile's entries are files of their own; a sheet beside it describes none of them.
    if (IsAsxFileName(path))
        return;
    for (const CueTrack& track : TCueSheet::TracksFor(path))
        FFromSheet.append(MediaChapter{track.start, track.title});
}

void MpvChapters::Clear() {
    FFromFile.clear();
    FFromSheet.clear();
}

void MpvChapters::OnProperty(const MpvEventData& event, bool current) {
    if (event.property != MpvProperty::ChapterList)
        return;
    FSeen = event.hasValue ? event.chapters : QList<MediaChapter>();
    if (current)
        FFromFile = FSeen;
}
