#pragma once

#include "engine/MediaControl.h"
#include "engine/MpvClient.h"
#include "engine/MpvClipPlayback.h"
#include "engine/MpvFileTracker.h"
#include "engine/MpvHeldPosition.h"
#include "engine/MpvLoadQueue.h"
#include "engine/MpvMediaInfo.h"
#include "engine/MpvMetafilePlayback.h"
#include "engine/MpvPreparedNext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

/// The media control on libmpv: headless, audio only. Events reach the UI thread through mpv's
/// wakeup callback and a queued call, which drains them. Getters read a cache kept from property
/// changes and from the control's own puts, so none of them waits for mpv.
class MpvMediaControl : public MediaControl {
    Q_OBJECT
public:
    using Options = MpvOutputOptions;

    /// Throws MediaControlError when mpv cannot be created or initialised.
    explicit MpvMediaControl(const Options& options, QObject* parent = nullptr);
    MpvMediaControl() : MpvMediaControl(Options{}) {}
    ~MpvMediaControl() override;

    /// The load is sent from the event loop right after this returns, with any position put
    /// before then; a path that is no regular file is never opened and ends as a failure. A
    /// metafile plays its entries one after another, each opened once reached and judged as the
    /// file it names would be; an entry that cannot be played is passed over, and the metafile
    /// ends as a failure only when none of its entries could be.
    void SetUrl(const QString& path) override;
    /// Each stretch of touching clips is one entry of mpv's playlist, bounded by its start and end,
    /// and the next stretch waits behind it there as a hinted file does, so that a change of file
    /// keeps the audio output open. A stretch that starts past its file's beginning (after a
    /// skipped part) is not prepared, as no file that starts there is: it is loaded once reached,
    /// with the output opened anew. Only the stretch reached is opened, by the same rule as a
    /// file; one whose file is no regular file is passed over unopened.
    void SetClips(const QString& name, const MediaTags& tags, const QList<MediaClip>& clips,
                  double length) override;
    /// Appends the file to mpv's own playlist behind the current one, so that a change to it
    /// keeps the audio output open; SetUrl then adopts that entry when asked for the same file
    /// and start. The same file as the current one is never prepared, nor a metafile, nor a file
    /// to start past its beginning (mpv's seek into it would cut off the end of the file playing,
    /// which the output still holds); within a metafile or a track made of clips the hint waits
    /// for its last part, its next part being prepared meanwhile.
    void SetNextUrl(const QString& path, double start) override;
    int PlayState() const override { return FState; }
    /// Throws MediaControlError when mpv refuses to queue the stop.
    void Close() override;
    /// Resumes a paused file; does nothing unless paused or opening. Throws MediaControlError on refusal.
    void Play() override;
    /// Pauses a playing file; does nothing unless playing or opening. Throws MediaControlError on refusal.
    void Pause() override;
    /// In a metafile, from the start of its first entry; in a track made of clips, track time.
    double CurrentPosition() const override;
    /// Throws MediaControlError when nothing is open, for a non-number, or when mpv refuses the seek.
    /// In a track made of clips a place outside the stretch playing opens the stretch it lies in.
    void SetCurrentPosition(double seconds) override;
    int Volume() const override { return FVolume; }
    /// Clamps to 0..100; throws MediaControlError when mpv refuses the change.
    void SetVolume(int volume) override;
    double Rate() const override { return FRate; }
    /// Throws MediaControlError for a rate mpv cannot play (outside 0.01..100) or a refusal.
    void SetRate(double rate) override;
    /// Throws MediaControlError when mpv refuses the filters.
    void SetSound(const SoundOptions& options) override { FClient.SetSound(options); }
    /// Returns the empty text when nothing is open.
    QString MediaName() const override { return FMedia.Name(); }
    MediaTags Tags() const override { return FMedia.Tags(); }
    /// Returns 0 until the length is known; for a metafile, that of the entries reached so far; for
    /// a track made of clips, the length it was set with.
    double MediaDuration() const override;
    QList<MediaChapter> Chapters() const override { return FMedia.Chapters(); }
    bool EndedByFailure() const override { return FEndedByFailure; }

    /// How many times mpv has opened its audio output so far: a change of file that keeps the
    /// output open adds none (what the tests and the benchmark look at for gaps).
    int AudioOutputOpenings() const { return FOutputOpenings; }
    /// The stretches of recording passed over in silences so far, in order (what the tests look at
    /// for the time a listener saves and for sound never cut).
    const std::vector<Silence>& PassedOver() const { return FClient.PassedOver(); }
    /// For tests and tools: `reached` runs from the event loop once mpv has handled every request
    /// made before this call and every state those raised has been reported, so that what has not
    /// been reported by then did not happen. Emits nothing; throws MediaControlError on refusal.
    void Barrier(std::function<void()> reached) { FClient.Barrier(std::move(reached)); }

private:
    void OnEvent(const MpvEventData& event);
    void Report(MpvFileTracker::Verdict verdict);
    void OnLoaded(int state);
    void EndCurrent(bool mediaEnded);
    void SetState(int newState);
    void ResetForNewFile();
    void OpenEntry(const AsxEntry& entry, double start, MpvClient::OnRefusal onRefusal, bool goingOn);
    void OpenPart(const QString& path, double start, std::optional<double> end,
                  MpvClient::OnRefusal onRefusal);
    void Open(const QString& path, double start, std::optional<double> end, MpvClient::OnRefusal onRefusal);
    void PrepareNext(const QString& path, double start, std::optional<double> end = std::nullopt);
    void SendUnsent();
    void Adopt(const MpvLoad& load);
    void QueueFailure();
    void SendSeek(double seconds);
    void EndAtTheEnd(double seconds);

    MpvClient FClient; // first member, so it is torn down after everything that refers to it
    MpvFileTracker FTracker;
    MpvPreparedNext FNext;
    MpvLoadQueue FLoads;
    MpvHeldPosition FPosition;
    MpvMediaInfo FMedia;
    MpvMetafilePlayback FMetafile;
    MpvClipPlayback FClips;
    std::uint64_t FSequence = 0; // tags the loads and seeks sent
    int FState = psUndefined;
    bool FEndedByFailure = false;
    bool FEntryLoaded = false; // the file, or one of the metafile's entries, has loaded
    bool FPauseWanted = false;
    int FVolume = 100;
    double FRate = 1.0;
    int FOutputOpenings = 0;
};
