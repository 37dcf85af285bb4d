// The player core's track list: built from the arguments, the desktop or the last session, ordered,
// and told apart from what cannot be played.
#include "playback/PlayerCore.h"

#include "config/SessionRecord.h"
#include "config/SettingsModule.h"
#include "config/SortTypes.h"
#include "daisy/DaisyLocator.h"
#include "formats/MediaFileKind.h"
#include "formats/MediaLength.h"
#include "formats/MediaOpenRule.h"
#include "playlist/PlaylistBuilder.h"
#include "playlist/PlaylistOrder.h"
#include "return/SessionRestore.h"
#include "util/FileNameCodec.h"
#include "util/Platform.h"
#include "util/StartupTrace.h"

#include <QCollator>

#include <utility>

namespace {
QCollator PathCollator() {
    QCollator collator(Platform::Current().RegionalLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
} // namespace

// ---- The list

void TPlayerCore::LoadCommandLine(const QStringList& arguments) {
    const MediaTest isMedia = [this](const QString& name) { return IsMedia(name); };
    TPathList found;
    for (const QString& argument : arguments)
        AddArgument(argument, isMedia, found);
    LoadCommandLine(arguments, std::move(found));
}

void TPlayerCore::LoadCommandLine(const QStringList& arguments, TPathList found, bool searching) {
    FSearching = searching && !found.isEmpty();
    FFiles.append(std::move(found));
    emit ListChanged();
    if (FFiles.isEmpty())
        return;
    const int sortType = FSettings.GeneralConfigs().SortType();
    if (sortType == kSortAlphabetical)
        SortList();
    else if (sortType == kSortShuffled)
        Shuffle();
    MarkStartup(StartupStep::ListBuilt);
    if (!FSearching)
        MarkStartup(StartupStep::ListWhole);
    FSession->Begin(arguments, sortType, FFiles);
    FCurrent = 0;
    FSaveAtFirstSound = true;
    PlayCurrent(false);
}

void TPlayerCore::FilesFound(TPathList more, bool searchOver) {
    if (!FSearching)
        return;
    FSearching = !searchOver;
    if (searchOver)
        MarkStartup(StartupStep::ListWhole);
    const bool grew = !more.isEmpty();
    if (grew) {
        const int first = int(FFiles.size());
        const int last = int(FFiles.size() + more.size() - 1);
        emit ListAboutToGrow(first, last);
        FFiles.append(std::move(more));
        emit ListGrew(first, last);
    }
    if (FEndAwaitingSearch && (grew || searchOver)) {
        // What would have happened at the end had the list been whole: the next track, or the stop.
        Advance(*std::exchange(FEndAwaitingSearch, std::nullopt), Move::Automatic);
        return;
    }
    if (grew && FPlayer->IsActive())
        FPlayer->PrepareNext(NextToPrepare());
}

bool TPlayerCore::IsMedia(const QString& name) const {
    return FSettings.GeneralConfigs().IsMediaFile(name);
}

bool TPlayerCore::IsPlayableFile(const QString& path) const {
    if (!IsRegularFile(EncodeFileName(path)))
        return false;
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (IsMedia(name) || IsMidiFileName(name) || IsAsxFileName(name))
        return true;
    if (IsBookEntry(path) && LocateDaisyBook(path))
        return true;
    // Any other name: what its bytes are, read the way the length reader reads them.
    return ReadMediaLength(path).has_value();
}

void TPlayerCore::SortList() {
    SortPaths(FFiles, PathCollator());
    emit ListChanged();
}

void TPlayerCore::Shuffle() {
    if (FFiles.isEmpty())
        return;
    FCurrent = ::Shuffle(FFiles, FCurrent, static_cast<quint32>(Platform::Current().MillisecondsOfDayUtc()));
    emit ListChanged();
    emit CurrentMoved();
}

bool TPlayerCore::OpenAndPlay(const QString& path) {
    TPathList found;
    AddArgument(
        path, [this](const QString& name) { return IsMedia(name); }, found);
    if (found.isEmpty())
        return false;
    const qsizetype first = FFiles.size();
    FFiles.append(std::move(found));
    emit ListChanged();
    FPlayer->RememberPosition(CurrentFile());
    FCurrent = static_cast<int>(first);
    PlayCurrent();
    return true;
}

bool TPlayerCore::RestoreSession() {
    const std::optional<SessionState> state = FSession->Load();
    if (!state)
        return false;
    const std::optional<RestoredSession> restored = RebuildSession(
        *state, [this](const QString& name) { return IsMedia(name); }, PathCollator());
    if (!restored)
        return false;
    FFiles = TPathList(restored->files);
    emit ListChanged();
    FCurrent = restored->current;
    // The session's place wins over the track's own, which a stop or Escape forgot.
    if (restored->seconds > 0)
        FSettings.MediaConfigs().SetResumeTime(CurrentFile(), restored->seconds);
    FSession->Adopt();
    PlayCurrent();
    return true;
}

QString TPlayerCore::ListedTitle(const QString& path) {
    return IsBookEntry(path) ? FShelf.Title(path) : QString();
}
