#include "playback/PlayerCore.h"

#include "config/SessionRecord.h"
#include "config/SettingsModule.h"
#include "config/SpeedConfigs.h"
#include "listening/ListeningClock.h"
#include "listening/ResumeRewind.h"
#include "listening/SleepTimer.h"
#include "listening/SpeedMemory.h"
#include "playback/BusyScope.h"
#include "texts/ListeningTexts.h"
#include "util/IgnoreFailure.h"
#include "util/Platform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
class AdvanceEvent : public QEvent {
public:
    explicit AdvanceEvent(quint64 serial)
        : QEvent(static_cast<QEvent::Type>(TPlayerCore::WM_PLAYNEXT)), FSerial(serial) {}
    const quint64 FSerial;
};

// Often enough that the fade's steps of the volume are not heard as steps.
constexpr int kSleepTickMs = 200;

} // namespace

TPlayerCore::TPlayerCore(TSettingsModule& settings, std::unique_ptr<MediaControl> control, QObject* parent)
    : QObject(parent), FSettings(settings) {
    setObjectName(QStringLiteral("PlayerCore"));
    FPlayer = std::make_unique<TMyPlayer>(std::move(control), settings.MediaConfigs(),
                                          [] { Platform::Current().Beep(); });
    FPlayer->OnStateChange(this, [this](int newState) { PlayChange(newState); });
    // A title that comes after the file plays is shown at once: not a second later.
    FPlayer->OnTagsChange(this, [this] {
        if (!FBusy && !FAdvancePending)
            emit DisplayChanged();
    });
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TPlayerCore::TimerTic);
    FSession = std::make_unique<TSessionRecord>(settings.MediaConfigs());
    FBookmarks = std::make_unique<TBookmarkStore>(settings.MediaConfigs());
    BuildListening();
    FollowSoundOptions();
}

TPlayerCore::~TPlayerCore() {
    Timer->stop();
    FSleepTick->stop();
    // The listening rules hold the player: they go first.
    FVolume.reset();
    delete FSleepTimer;
    delete FResumeRewind;
    FSpeedMemory.reset();
    FPlayer.reset();
}

void TPlayerCore::BuildListening() {
    FListeningClock = std::make_unique<TListeningClock>();
    FSleepTimer = new TSleepTimer(*FPlayer, *FListeningClock, this);
    FResumeRewind = new TResumeRewind(*FPlayer, *FListeningClock, this);
    FSpeedConfigs = std::make_unique<TSpeedConfigs>(FSettings.MediaConfigs());
    FSpeedMemory = std::make_unique<TSpeedMemory>(*FPlayer, *FSpeedConfigs);
    FSleepTick = new QTimer(this);
    FSleepTick->setObjectName(QStringLiteral("SleepTick"));
    FSleepTick->setInterval(kSleepTickMs);
    connect(FSleepTick, &QTimer::timeout, this, [this] { FSleepTimer->Tick(); });
    connect(FSleepTimer, &TSleepTimer::Expired, this, &TPlayerCore::SleepExpired);
    FVolume = std::make_unique<TVolume>(*FPlayer, *FSleepTimer,
                                        [this] { return FSettings.GeneralConfigs().DeactivatedVolume(); });
}

bool TPlayerCore::TimerActive() const {
    return Timer->isActive();
}

// ---- The control's states and the advance

void TPlayerCore::PlayChange(int newState) {
    const int previous = std::exchange(FLastState, newState);
    emit StateChanged(newState);
    if (FBusy)
        return;
    // From the end of a track the texts stay until the advance shows the next track or the idle look:
    // the idle title must not be spoken between two tracks.
    if (newState == psMediaEnded) {
        FAdvancePending = true;
        QCoreApplication::postEvent(this, new AdvanceEvent(FPlaySerial));
        return;
    }
    if (newState == psStopped && IsActiveState(previous))
        OutputLost();
    if (FAdvancePending && !IsActiveState(newState))
        return;
    emit DisplayChanged();
}

bool TPlayerCore::event(QEvent* e) {
    if (e->type() != static_cast<QEvent::Type>(WM_PLAYNEXT))
        return QObject::event(e);
    FAdvancePending = false;
    // An advance posted for a track the user has already left (the end racing a key) is dropped
    // instead of skipping a second track.
    if (static_cast<AdvanceEvent*>(e)->FSerial != FPlaySerial)
        return true;
    // A file that could not be opened or read is skipped, but it is still there: keep its position.
    const bool failed = FPlayer->EndedByFailure();
    if (!failed && FSleepTimer->TakeTrackEnd()) {
        PauseAtTrackEnd();
        return true;
    }
    Advance(!failed, Move::Automatic);
    return true;
}

void TPlayerCore::OutputLost() {
    // The control stopped on its own while a track was active (the sound output failed): the
    // position reached is kept, not lost.
    Timer->stop();
    FPlayer->RememberPositionReached(CurrentFile());
    SaveResume();
}

// ---- Moves

void TPlayerCore::PlayCurrent(bool saveNow) {
    const BusyScope busy(FBusy);
    ++FPlaySerial;
    FEndAwaitingSearch.reset();
    const QString file = CurrentFile();
    // No entry: nothing to play, and what plays goes on.
    if (file.isEmpty())
        return;
    FPreviousTitleTag = FPlayer->Tags().title;
    if (!PlayBook(file))
        FPlayer->PlayFile(file);
    NoteSessionPlace(FSettings.MediaConfigs().GetResumeTime(file));
    const bool speedChanged = FSpeedMemory->Apply(file);
    // The entry after it may be prepared, so that the automatic advance leaves no gap.
    FPlayer->PrepareNext(NextToPrepare());
    // The track left is forgotten (or kept) on disk at once, not at exit; a start's, once heard.
    if (saveNow)
        SaveResume();
    emit TrackStarted(speedChanged);
    Timer->start();
}

bool TPlayerCore::PlayBook(const QString& file) {
    const std::shared_ptr<const TDaisyBook> book = FShelf.Open(file);
    if (!book)
        return false;
    FBookReading = BookReading();
    const QString title = TBookShelf::TitleOf(*book);
    FPlayer->PlayClips(file, MediaTags{title, book->FCreator, {}},
                       TBookShelf::Clips(*book, FBookReading.first, FBookReading.second), book->Length());
    return true;
}

std::pair<bool, bool> TPlayerCore::BookReading() const {
    const TM3GeneralConfigs& options = FSettings.GeneralConfigs();
    return {options.ReadPageNumbers(), options.ReadNotes()};
}

void TPlayerCore::FollowBookOptions() {
    if (FShelf.Current() && BookReading() != FBookReading)
        ReopenBook();
}

void TPlayerCore::ReopenBook() {
    const TDaisyBook* book = FShelf.Current();
    if (!book || !FPlayer->IsActive())
        return;
    const BusyScope busy(FBusy);
    const double place = FPlayer->Position();
    const bool paused = FPlayer->State() == psPaused;
    PlayBook(CurrentFile());
    // The same track, so the same serial; the place goes with the opening.
    IgnoreFailure([&] { FPlayer->JumpTo(place); });
    if (paused)
        FPlayer->Pause();
}

void TPlayerCore::ForgetPosition() {
    FPlayer->ForgetPosition(CurrentFile());
}

void TPlayerCore::PlayAt(int index, bool forgetLeft) {
    AboutToJump();
    if (forgetLeft)
        ForgetPosition();
    FCurrent = index;
    PlayCurrent();
}

void TPlayerCore::PlaySelected() {
    const int selected = FSelected ? FSelected() : -1;
    if (selected < 0)
        return;
    PlayAt(selected, true);
}

void TPlayerCore::PlayNext(Move how) {
    Advance(true, how);
}

void TPlayerCore::Advance(bool forgetLeft, Move how) {
    if (FCurrent >= FFiles.size() - 1) {
        if (how == Move::Automatic && FSearching)
            FEndAwaitingSearch = forgetLeft;
        else if (how == Move::Automatic)
            Stop(forgetLeft, how);
        return;
    }
    if (how == Move::Manual)
        AboutToJump();
    if (forgetLeft)
        ForgetPosition();
    ++FCurrent;
    PlayCurrent();
}

void TPlayerCore::PlayPrevious() {
    if (FCurrent <= 0)
        return;
    AboutToJump();
    ForgetPosition();
    --FCurrent;
    PlayCurrent();
}

void TPlayerCore::PlayPause() {
    if (IsActiveState(FPlayer->State()))
        PauseToggle();
    else
        PlaySelected();
}

void TPlayerCore::Stop(bool forget, Move how) {
    const BusyScope busy(FBusy);
    ++FPlaySerial;
    FEndAwaitingSearch.reset();
    // The session comes back where it stopped; a list that played to its end, from the track's start.
    NoteSessionPlace(how == Move::Automatic ? 0 : -1);
    if (forget)
        ForgetPosition();
    FPlayer->CloseMedia();
    SaveResume();
    emit DisplayChanged();
    Timer->stop();
}

void TPlayerCore::PauseToggle() {
    const BusyScope busy(FBusy);
    RewindBeforeResume();
    FPlayer->TogglePause();
    emit DisplayChanged();
    if (FPlayer->State() == psPaused) {
        Timer->stop();
        RememberPosition(); // a pause may be the end of the session: no tick follows it
    } else {
        Timer->start();
    }
}

void TPlayerCore::SeekBy(double seconds, bool isJump) {
    if (isJump)
        AboutToJump();
    if (seconds < 0)
        FPlayer->SeekBackward(-seconds);
    else
        FPlayer->SeekForward(seconds);
    emit DisplayChanged();
    // While playing the next ticks write it; while paused none come.
    if (FPlayer->State() == psPaused)
        RememberPosition();
}

void TPlayerCore::JumpTo(double seconds) {
    AboutToJump();
    FPlayer->JumpTo(seconds);
}

JumpPlace TPlayerCore::Here() const {
    return JumpPlace{CurrentFile(), FCurrent, FPlayer->Position()};
}

void TPlayerCore::NoteJumpFrom(const JumpPlace& from) {
    FJumps.AboutToJump(from);
}

void TPlayerCore::AboutToJump() {
    IgnoreFailure([&] {
        if (FPlayer->IsActive())
            FJumps.AboutToJump(Here());
    });
}

std::optional<double> TPlayerCore::GoBack() {
    std::optional<JumpPlace> place = FJumps.Back();
    int index = -1;
    // A place whose track left the list (a restore replaced it) is passed over.
    while (place && (index = TJumpHistory::IndexIn(FFiles, *place)) < 0)
        place = FJumps.Back();
    if (!place)
        return std::nullopt;
    if (index == FCurrent && FPlayer->IsActive()) {
        FPlayer->JumpTo(place->seconds);
        emit DisplayChanged();
        if (FPlayer->State() == psPaused)
            RememberPosition();
        return place->seconds;
    }
    ForgetPosition();
    FCurrent = index;
    // The earlier track opens where it was left, through its remembered position.
    FSettings.MediaConfigs().SetResumeTime(CurrentFile(), place->seconds);
    PlayCurrent();
    return place->seconds;
}

// ---- What is kept on disk

void TPlayerCore::TimerTic() {
    emit DisplayChanged();
    // A start's first write waits for the first tick that finds the track heard.
    if (++FTicksSinceSave >= kSaveEveryTicks || (FSaveAtFirstSound && IsPlayingState(FPlayer->State())))
        RememberPosition();
}

void TPlayerCore::RememberPosition() {
    NoteSessionPlace();
    FPlayer->RememberPosition(CurrentFile());
    SaveResume();
}

void TPlayerCore::SaveResume() {
    FTicksSinceSave = 0;
    FSaveAtFirstSound = false;
    // Never throws; a failed write keeps its changes for the next one.
    FSettings.MediaConfigs().SaveToDisk();
}

void TPlayerCore::Leave() {
    NoteSessionPlace();
    FPlayer->RememberPosition(CurrentFile());
    Timer->stop();
}

void TPlayerCore::NoteSessionPlace(double seconds) {
    if (FFiles.isEmpty())
        return;
    IgnoreFailure([&] {
        if (seconds < 0) {
            if (!FPlayer->IsActive())
                return;
            seconds = FPlayer->Position();
        }
        FSession->NotePlace(FCurrent, CurrentFile(), seconds);
    });
}
