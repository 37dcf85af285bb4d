// The track list of the main window: building it from the arguments, showing it, moving through it.
#include "shell/VarnelPlayer.h"

#include "config/SessionRecord.h"
#include "config/SettingsModule.h"
#include "playlist/PlaylistBuilder.h"
#include "playlist/PlaylistOrder.h"
#include "playlist/TrackListModel.h"
#include "playlist/TrackName.h"
#include "util/Platform.h"

#include <QCollator>
#include <QTimer>
#include <QTreeView>

void TVarnelPlayer::LoadCommandLine(const QStringList& arguments) {
    const MediaTest isMedia = [this](const QString& name) {
        return FSettings.GeneralConfigs().IsMediaFile(name);
    };
    for (const QString& argument : arguments)
        AddArgument(argument, isMedia, FFiles);
    FillList();
    if (FFiles.isEmpty())
        return;
    const int sortType = FSettings.GeneralConfigs().SortType();
    if (sortType == 1) {
        QCollator collator(Platform::Current().RegionalLocale());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        SortPaths(FFiles, collator);
        FillList();
    } else if (sortType == 2) {
        Shuffle();
    }
    FSession->Begin(arguments, sortType, FFiles);
    FCurrent = 0;
    PlayCurrent();
}

void TVarnelPlayer::AddFile(const QString& path) {
    ::AddFile(path, FFiles);
}

void TVarnelPlayer::AddFolder(const QString& path) {
    ::AddFolder(
        path, [this](const QString& name) { return FSettings.GeneralConfigs().IsMediaFile(name); }, FFiles);
}

void TVarnelPlayer::FillList() {
    FModel->Reset();
    if (FPlayer->State() == psPlaying)
        FLengths->Want(FFiles); // a shared copy: the reading is the worker's
}

void TVarnelPlayer::Shuffle() {
    if (FFiles.isEmpty())
        return;
    FCurrent = ::Shuffle(FFiles, FCurrent, static_cast<quint32>(Platform::Current().MillisecondsOfDayUtc()));
    FillList();
    SelectCurrent();
}

void TVarnelPlayer::SelectCurrent() {
    QItemSelectionModel* selection = Lista->selectionModel();
    selection->clearSelection();
    const QModelIndex index = FModel->index(FCurrent, 0);
    if (!index.isValid())
        return;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Lista->scrollTo(index, QAbstractItemView::EnsureVisible);
}

void TVarnelPlayer::PlayCurrent() {
    FBusy = true;
    ++FPlaySerial;
    const QString file = CurrentFile();
    // No entry (a double click on no row): nothing to play, and what plays goes on.
    if (file.isEmpty()) {
        FBusy = false;
        return;
    }
    FPreviousTitleTag = FPlayer->Tags().title;
    FPlayer->PlayFile(file);
    NoteSessionPlace(FSettings.MediaConfigs().GetResumeTime(file));
    ApplyRememberedSpeed();
    // The entry after it may be prepared, so that the automatic advance leaves no gap.
    FPlayer->PrepareNext(NextToPrepare());
    // The track left is forgotten (or kept) on disk at once, not at exit.
    SaveResume();
    SelectCurrent();
    RefreshDisplay();
    SayUnsaidSpeed();
    Timer->start();
    FBusy = false;
}

void TVarnelPlayer::ShowTrackName() {
    const TrackName name{FPlayer->Tags().title, CurrentFile(), FCurrent, static_cast<int>(FFiles.size()),
                         FPreviousTitleTag};
    SetTitle(name.Title(), name.Spoken(FSettings.Language()));
}

bool TVarnelPlayer::OpenAndPlay(const QString& path) {
    const qsizetype first = FFiles.size();
    AddArgument(
        path, [this](const QString& name) { return FSettings.GeneralConfigs().IsMediaFile(name); }, FFiles);
    if (FFiles.size() == first)
        return false;
    FillList();
    FPlayer->RememberPosition(CurrentFile());
    FCurrent = static_cast<int>(first);
    PlayCurrent();
    return true;
}

int TVarnelPlayer::SelectedIndex() const {
    const QModelIndexList rows = Lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TVarnelPlayer::ForgetPosition() {
    FPlayer->ForgetPosition(CurrentFile());
}

void TVarnelPlayer::PlayNext() {
    Advance(true);
}

void TVarnelPlayer::Advance(bool forgetLeft) {
    if (FCurrent >= FFiles.size() - 1) {
        if (FAutoNext)
            Stop(forgetLeft);
        return;
    }
    if (!FAutoNext)
        AboutToJump();
    if (forgetLeft)
        ForgetPosition();
    ++FCurrent;
    PlayCurrent();
}

void TVarnelPlayer::PlayPrevious() {
    if (FCurrent <= 0)
        return;
    AboutToJump();
    ForgetPosition();
    --FCurrent;
    PlayCurrent();
}

void TVarnelPlayer::PlaySelected() {
    const int selected = SelectedIndex();
    if (selected < 0)
        return;
    FBusy = true;
    AboutToJump();
    ForgetPosition();
    FCurrent = selected;
    PlayCurrent();
}

void TVarnelPlayer::PlayPauseKey() {
    if (IsActiveState(FPlayer->State()))
        PauseToggle();
    else
        PlaySelected();
}

void TVarnelPlayer::StopPlay() {
    Stop(true);
}

void TVarnelPlayer::Stop(bool forget) {
    FBusy = true;
    ++FPlaySerial;
    // The session comes back where it stopped; a list that played to its end, from the track's start.
    NoteSessionPlace(FAutoNext ? 0 : -1);
    if (forget)
        ForgetPosition();
    FPlayer->CloseMedia();
    SaveResume();
    RefreshDisplay();
    Timer->stop();
    FBusy = false;
}

void TVarnelPlayer::ListaDblClick() {
    AboutToJump();
    FCurrent = SelectedIndex();
    PlayCurrent();
}
