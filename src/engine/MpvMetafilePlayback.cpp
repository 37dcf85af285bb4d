#include "engine/MpvMetafilePlayback.h"

#include "engine/MpvOpenArgument.h"
#include "formats/AsxPlaylist.h"
#include "formats/MediaFileKind.h"

MpvMetafilePlayback::MpvMetafilePlayback(QObject& owner, Actions actions, MpvLengthReader::Reader reader)
    : FActions(std::move(actions)), FLengths(owner, std::move(reader)) {}

bool MpvMetafilePlayback::Start(const QString& path) {
    Clear();
    if (!IsAsxFileName(path))
        return false;
    FEntries.Start(TAsxPlaylist::LocalEntries(AbsoluteLocalPath(path)));
    if (!FEntries.Playing())
        return false;
    OpenCurrent(0.0, MpvClient::OnRefusal::Throw, false);
    return true;
}

void MpvMetafilePlayback::Clear() {
    FLengths.Cancel();
    FEntries.Clear();
    FLaterFile.reset();
}

bool MpvMetafilePlayback::Hint(const QString& path, double start) {
    FLaterFile.emplace(path, start);
    return FEntries.Playing() && FEntries.Next();
}

bool MpvMetafilePlayback::EntryEnded(double length, double reached) {
    if (!FEntries.Playing() || !FEntries.Next())
        return false;
    if (length > 0.0) {
        GoOn(length);
        return true;
    }
    // An entry opened at or past its end may end before mpv tells its length; the place it was
    // opened at is then no length at all. Its header says it, read off the UI thread; failing
    // that, how far it played.
    FLengths.Read(FEntries.Current().path, [this, reached](std::optional<double> read) {
        GoOn(read.value_or(0.0) > 0.0 ? *read : reached);
    });
    return true;
}

void MpvMetafilePlayback::GoOn(double length) {
    FEntries.Advance(length);
    // mpv moves on to the next entry by itself if it was prepared; nothing throws out of the
    // event loop.
    OpenCurrent(FEntries.StartOnTheWay(), MpvClient::OnRefusal::Ignore, true);
}

std::optional<double> MpvMetafilePlayback::Seek(double seconds) {
    const MpvMetafile::Place place = FEntries.Locate(seconds);
    if (place.index == FEntries.Index() && !FLengths.Pending())
        return place.seconds;
    // An entry reached before, or the one that ended while its length is read: opened again, there.
    FLengths.Cancel();
    FEntries.MoveTo(place.index);
    OpenCurrent(place.seconds, MpvClient::OnRefusal::Throw, false);
    return std::nullopt;
}

void MpvMetafilePlayback::OpenCurrent(double start, MpvClient::OnRefusal onRefusal, bool goingOn) {
    FActions.open(FEntries.Current(), start, onRefusal, goingOn);
    if (const AsxEntry* next = FEntries.Next())
        FActions.prepare(next->path, 0.0);
    else if (FLaterFile)
        FActions.prepare(FLaterFile->first, FLaterFile->second);
}
