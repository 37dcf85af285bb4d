#include "engine/MpvMediaControl.h"

#include "engine/MpvEvents.h"
#include "engine/MpvOpenArgument.h"
#include "engine/MpvStateDecision.h"
#include "formats/MediaFileKind.h"
#include "formats/MediaLength.h"
#include "formats/MediaOpenRule.h"
#include "util/FileNameCodec.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

// Later than any file ends: a place asked for beyond it is clamped here.
constexpr double kFarPastAnyEnd = 1e9;

MpvMediaControl::MpvMediaControl(const Options& options, QObject* parent)
    : MediaControl(parent), FClient(options, *this), FNext(FClient, FTracker), FLoads(*this),
      FMetafile(*this,
                {[this](const AsxEntry& entry, double start, MpvClient::OnRefusal onRefusal, bool goingOn) {
                     OpenEntry(entry, start, onRefusal, goingOn);
                 },
                 [this](const QString& path, double start) { PrepareNext(path, start); }},
                ReadMediaLength),
      FClips({std::bind_front(&MpvMediaControl::OpenPart, this),
              std::bind_front(&MpvMediaControl::PrepareNext, this),
              [](const QString& path) { return IsRegularFile(EncodeFileName(path)); }}),
      FVolume(static_cast<int>(std::lround(std::clamp(FClient.ReadDouble("volume", 100.0), 0.0, 100.0)))),
      FRate(FClient.ReadDouble("speed", 1.0)) {
    // Last: from here on mpv may call into a fully built object.
    FClient.Listen([this](const MpvEventData& event) { OnEvent(event); });
}

MpvMediaControl::~MpvMediaControl() = default;

void MpvMediaControl::OnEvent(const MpvEventData& event) {
    switch (event.kind) {
    case MpvEventKind::PropertyChange: {
        // Until the current file has started they describe another one.
        const bool current = FTracker.CurrentFileStarted();
        if (FMedia.OnProperty(event, current))
            emit TagsChange();
        if (current && event.property == MpvProperty::TimePos)
            FPosition.OnReported(event.hasValue ? std::max(0.0, event.number) : 0.0);
        return;
    }
    case MpvEventKind::LogMessage:
        if (IsAudioOutputOpening(event))
            ++FOutputOpenings;
        return;
    case MpvEventKind::PlaybackRestart:
        FPosition.OnPlaybackRestart(FTracker.CurrentFileLoaded());
        return;
    case MpvEventKind::Idle:
        FNext.OnIdle();
        if (FLoads.TakeWaitForMove())
            SendUnsent();
        return;
    case MpvEventKind::CommandReply:
        FPosition.OnSeekReply(event);
        FNext.OnAppendReply(event);
        break;
    case MpvEventKind::StartFile:
        FMedia.OnStartFile();
        break;
    default:
        break;
    }
    const MpvFileTracker::Verdict verdict = FTracker.OnEvent(event);
    if (event.kind == MpvEventKind::StartFile) {
        if (FLoads.TakeWaitForMove())
            SendUnsent();
        // The next entry is appended once the current one runs, so mpv's playlist holds only these two.
        if (FTracker.CurrentFileStarted())
            FNext.AppendUnlessAppended();
    }
    Report(verdict);
}

void MpvMediaControl::Report(MpvFileTracker::Verdict verdict) {
    const MpvStateDecision decision = DecideState(verdict, FPauseWanted);
    if (decision.state == psUndefined)
        return;
    if (decision.state == psPlaying || decision.state == psPaused) {
        FEntryLoaded = true;
        FMedia.OnLoaded();
        OnLoaded(decision.state);
        return;
    }
    if (decision.stopPlayback)
        FNext.StopPlayback(MpvClient::OnRefusal::Ignore); // nothing throws out of the event loop
    // An entry that cannot be played is passed over, as a list passes over a file.
    if (decision.state == psMediaEnded) {
        FNext.OnCurrentEnded(); // mpv moves on to the appended entry by itself
        if (FMetafile.EntryEnded(FMedia.Duration(), FPosition.Position()))
            return;
        if (FClips.StretchEnded()) {
            // At once, not posted: mpv may be through a short stretch before a posted call runs,
            // and would then play it again.
            SendUnsent();
            return;
        }
    }
    if (decision.failure && !FEntryLoaded)
        FEndedByFailure = true;
    EndCurrent(decision.state == psMediaEnded);
}

void MpvMediaControl::OnLoaded(int state) {
    const std::optional<double> seek = FPosition.TakeWaiting();
    if (seek && *seek > 0.0) {
        try {
            SendSeek(*seek);
        } catch (const MediaControlError&) {
            FPosition.Release(); // nothing propagates out of the event loop
        }
    } else if (seek) {
        FPosition.Release(); // a file starts at 0 anyway
    }
    // Otherwise a start sent with the load stays held until its playback restart.
    SetState(state);
}

void MpvMediaControl::EndCurrent(bool mediaEnded) {
    // mpv moves on to an appended entry by itself; it is adopted if the program asks for it.
    FNext.OnCurrentEnded();
    const QPointer<MpvMediaControl> alive(this);
    if (!mediaEnded) {
        // Stopped from outside or by a failed audio output: the place reached stays readable, so
        // that it can still be remembered.
        FPosition.Drop();
        SetState(psStopped);
    } else {
        FPosition.Reset();
        FMetafile.Finish();
        FClips.Finish();
        SetState(psMediaEnded);
        // A handler may already have opened the next file; then 1 would be a lie about it.
        if (alive && FState == psMediaEnded)
            SetState(psStopped);
    }
    // Queued after the handlers of the states above have posted what they do about the end: if
    // none of them set a file, the entry mpv moved on to plays for nobody and is stopped.
    if (alive && FNext.MovingOn())
        FLoads.Post([this] { FNext.StopOrphan(); });
}

void MpvMediaControl::SetState(int newState) {
    if (FState == newState)
        return;
    FState = newState;
    emit PlayStateChange(newState);
}

void MpvMediaControl::ResetForNewFile() {
    FLoads.Restart();
    FEndedByFailure = false;
    FEntryLoaded = false;
    FPauseWanted = false;
    FPosition.Reset();
    FNext.Withdraw();
    FMetafile.Clear();
    FClips.Clear();
}

void MpvMediaControl::OpenEntry(const AsxEntry& entry, double start, MpvClient::OnRefusal onRefusal,
                                bool goingOn) {
    const MediaTags before = FMedia.Tags();
    OpenPart(entry.path, start, std::nullopt, onRefusal);
    FMedia.SetEntry(entry.title);
    if (goingOn && !(FMedia.Tags() == before))
        emit TagsChange(); // the track goes on, under the next entry's title
}

void MpvMediaControl::OpenPart(const QString& path, double start, std::optional<double> end,
                               MpvClient::OnRefusal onRefusal) {
    FLoads.Restart();
    FPosition.Reset();
    FPosition.Set(start);
    FNext.Withdraw();
    Open(path, start, end, onRefusal);
}

void MpvMediaControl::Open(const QString& path, double start, std::optional<double> end,
                           MpvClient::OnRefusal onRefusal) {
    const QByteArray file = MpvOpenArgument(path);
    const std::uint64_t sequence = ++FSequence;
    FTracker.LoadRequested(sequence);
    FNext.SetCurrentFile(file);
    // Asked of the file itself: for MIDI the argument is a URL of the program's own.
    if (!path.isEmpty() && IsRegularFile(EncodeFileName(path))) {
        FLoads.Hold(MpvLoad{file, start, sequence, end});
        FLoads.Post([this] { SendUnsent(); });
        return;
    }
    // A FIFO or a device could block mpv's reader for good: never opened, it ends at once.
    FNext.StopPlayback(onRefusal);
    QueueFailure();
}

void MpvMediaControl::SendUnsent() {
    if (!FLoads.HasUnsent())
        return;
    const MpvLoad load = FLoads.Unsent();
    try {
        switch (FNext.Adoption(load)) {
        case MpvAdoption::Adopt:
            FLoads.TakeUnsent();
            Adopt(load);
            return;
        case MpvAdoption::Wait:
            FLoads.WaitForMove();
            return;
        case MpvAdoption::Load:
            break;
        }
        FLoads.TakeUnsent();
        FNext.Forget(); // a replacing load empties mpv's playlist
        FClient.LoadFile(load, "replace", MakeRequestTag(MpvRequest::Load, load.sequence));
        if (load.start > 0.0)
            FPosition.HoldForLoad(); // mpv reports no position, or the old one, until it starts there
        FNext.Append();
    } catch (const MediaControlError&) {
        // mpv refused to queue the load: the file ends as one that cannot be opened.
        QueueFailure();
    }
}

void MpvMediaControl::Adopt(const MpvLoad& load) {
    FTracker.Adopt(FNext.TakeForAdoption());
    FPosition.Set(load.start);
    if (FTracker.CurrentFileStarted()) {
        FMedia.Adopt();
        FNext.Append();
    }
    if (FTracker.CurrentFileLoaded())
        Report(MpvFileTracker::Verdict::Loaded);
}

void MpvMediaControl::QueueFailure() {
    FLoads.Post([this] {
        if (FState != psTransitioning && !FMetafile.Playing() && !FClips.Playing())
            return;
        FTracker.Abandon();
        Report(MpvFileTracker::Verdict::Failed);
    });
}

void MpvMediaControl::SendSeek(double seconds) {
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const std::uint64_t sequence = ++FSequence;
    FClient.Command({"seek", target.constData(), "absolute+exact"},
                    MakeRequestTag(MpvRequest::Seek, sequence));
    FPosition.HoldForSeek(sequence);
}

void MpvMediaControl::SetUrl(const QString& path) {
    FClient.SetFlag("pause", false); // a new file starts playing even if the last one was paused
    ResetForNewFile();
    if (!FMetafile.Start(path)) {
        // A metafile with no entry to play ends as a file that cannot be opened.
        Open(IsAsxFileName(path) ? QString() : path, 0.0, std::nullopt, MpvClient::OnRefusal::Throw);
        FMedia.SetFile(path);
    }
    SetState(psTransitioning);
}

void MpvMediaControl::SetClips(const QString& name, const MediaTags& tags, const QList<MediaClip>& clips,
                               double length) {
    FClient.SetFlag("pause", false);
    ResetForNewFile();
    // With no clip to play it ends as a file that cannot be opened.
    if (!FClips.Start(clips, length))
        Open(QString(), 0.0, std::nullopt, MpvClient::OnRefusal::Throw);
    FMedia.SetTrack(name, tags);
    SetState(psTransitioning);
}

void MpvMediaControl::SetNextUrl(const QString& path, double start) {
    // The metafile's own entries come first; the hint is for the file after its last one.
    if (FMetafile.Hint(path, start) || FClips.Hint(path, start))
        return;
    PrepareNext(path, start);
}

void MpvMediaControl::PrepareNext(const QString& path, double start, std::optional<double> end) {
    // Metafiles are not prepared: their entries are read only once they are set.
    const QByteArray file = path.isEmpty() || IsAsxFileName(path) ? QByteArray() : MpvOpenArgument(path);
    // A load still to be sent appends it itself; otherwise it goes in once the current file runs.
    const bool loadWaits = FLoads.HasUnsent();
    if (file.isEmpty() || !IsRegularFile(EncodeFileName(path)) || std::isnan(start)) {
        FNext.Withdraw();
        if (!loadWaits)
            FNext.Drop();
        return;
    }
    FNext.Want(MpvLoad{file, std::clamp(start, 0.0, kFarPastAnyEnd), 0, end},
               !loadWaits && FTracker.CurrentFileStarted());
}

void MpvMediaControl::Close() {
    FNext.StopPlayback(MpvClient::OnRefusal::Throw); // also empties mpv's playlist
    FTracker.Abandon();
    ResetForNewFile();
    FNext.SetCurrentFile({});
    FMedia.Clear();
    SetState(psStopped);
}

void MpvMediaControl::Play() {
    const bool opening = FState == psTransitioning;
    if (FState != psPaused && !opening)
        return;
    FClient.SetFlag("pause", false);
    FPauseWanted = false;
    if (!opening)
        SetState(psPlaying);
}

void MpvMediaControl::Pause() {
    const bool opening = FState == psTransitioning;
    if (FState != psPlaying && !opening)
        return;
    FClient.SetFlag("pause", true);
    FPauseWanted = true;
    if (!opening)
        SetState(psPaused);
}

void MpvMediaControl::SetCurrentPosition(double seconds) {
    if (std::isnan(seconds))
        throw MediaControlError("position is not a number");
    seconds = std::clamp(seconds, 0.0, kFarPastAnyEnd);
    // A track of several parts is open until it ends or stops, also between two of its parts.
    const bool partsOpen = FState != psStopped && (FClips.Playing() || FMetafile.Playing());
    if (partsOpen && FClips.Playing()) {
        const auto [found, inStretch] = FClips.Seek(seconds);
        if (found == MpvClipPlayback::Found::PastEnd)
            EndAtTheEnd(seconds);
        if (found != MpvClipPlayback::Found::InCurrent)
            return;
        seconds = inStretch;
    } else if (FMetafile.Playing()) {
        const std::optional<double> inEntry = FMetafile.Seek(seconds);
        if (!inEntry)
            return;
        seconds = *inEntry;
    }
    if (FLoads.HasUnsent()) {
        FLoads.PutStart(seconds); // goes with the load
        FPosition.Set(seconds);
        return;
    }
    if (FTracker.CurrentFileLoaded()) {
        SendSeek(seconds);
        FPosition.Set(seconds);
        return;
    }
    if (FState != psTransitioning && !partsOpen)
        throw MediaControlError("no media is open");
    FPosition.HoldUntilLoaded(seconds);
}

void MpvMediaControl::EndAtTheEnd(double seconds) {
    FNext.StopPlayback(MpvClient::OnRefusal::Throw);
    FTracker.Abandon();
    FLoads.Restart();
    FPosition.Reset();
    FPosition.Set(seconds);
    FClips.Finish();
    FLoads.Post([this] { Report(MpvFileTracker::Verdict::MediaEnded); });
}

void MpvMediaControl::SetVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    FClient.SetDouble("volume", volume);
    FVolume = volume;
}

void MpvMediaControl::SetRate(double rate) {
    if (!(rate >= kMpvSlowestSpeed && rate <= kMpvFastestSpeed))
        throw MediaControlError("rate out of range");
    FClient.SetSpeed(rate);
    FRate = rate;
}

double MpvMediaControl::CurrentPosition() const {
    return FClips.TrackTime(FMetafile.Offset() + FPosition.Position());
}

double MpvMediaControl::MediaDuration() const {
    if (FClips.Active())
        return FClips.Length();
    return FMetafile.Active() ? FMetafile.Length(FMedia.Duration()) : FMedia.Duration();
}
