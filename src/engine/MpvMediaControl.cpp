#include "engine/MpvMediaControl.h"

#include "engine/MpvEvents.h"
#include "engine/MpvFileOptions.h"
#include "engine/MpvFileTracker.h"
#include "engine/MpvMidiProtocol.h"
#include "engine/MpvOpenArgument.h"
#include "engine/MpvTimeline.h"
#include "formats/MediaFileKind.h"
#include "util/FileNameCodec.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <mpv/client.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Headless and self-contained: no window, no user files, no scripts, no keys, no terminal, and a
// path never reaches out to other files (playlists, folders, references inside media).
constexpr const char* kFixedOptions[][2] = {
    {"vid", "no"},
    {"audio-display", "no"},
    {"config", "no"},
    {"load-scripts", "no"},
    {"osc", "no"},
    {"load-stats-overlay", "no"},
    {"load-osd-console", "no"},
    {"load-auto-profiles", "no"},
    {"input-default-bindings", "no"},
    {"input-builtin-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-media-keys", "no"},
    {"input-terminal", "no"},
    {"terminal", "no"},
    {"ytdl", "no"},
    {"idle", "yes"},
    {"keep-open", "no"},
    {"resume-playback", "no"},
    {"save-position-on-quit", "no"},
    {"sub-auto", "no"},
    {"audio-file-auto", "no"},
    {"cover-art-auto", "no"},
    {"load-unsafe-playlists", "no"},
    {"access-references", "no"},
    {"ordered-chapters", "no"},
    {"audio-pitch-correction", "yes"},
    {"audio-client-name", "Varnel"},
    // Nothing from the network: libavformat may open local files only, also for what a demuxer
    // opens by itself (an SDP description binds RTP/UDP sockets through its own protocol calls).
    {"demuxer-lavf-o", kLocalOnlyLavfOptions},
    {"stream-lavf-o", kLocalOnlyLavfOptions},
    // The next entry of the list waits in mpv's playlist, so the audio output stays open across it.
    {"gapless-audio", "weak"},
    {"prefetch-playlist", "yes"},
};

constexpr double kMinRate = 0.01; // mpv's own bounds for speed
constexpr double kMaxRate = 100.0;
constexpr double kFarPastAnyEnd = 1e9;

[[noreturn]] void Fail(const char* what, int code) {
    throw MediaControlError(std::string("mpv: ") + what + ": " + mpv_error_string(code));
}

/// One loadfile with its per-file options, built as an mpv node so that no value needs quoting.
void SendLoadFile(mpv_handle* mpv, std::uint64_t tag, const QByteArray& file, const char* flags,
                  const MpvFileOptions& options) {
    std::vector<mpv_node> optionValues(options.size());
    std::vector<char*> optionKeys(options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        optionKeys[i] = const_cast<char*>(options[i].first.constData());
        optionValues[i].format = MPV_FORMAT_STRING;
        optionValues[i].u.string = const_cast<char*>(options[i].second.constData());
    }
    mpv_node_list optionList{static_cast<int>(options.size()), optionValues.data(), optionKeys.data()};

    const char* keys[] = {"name", "url", "flags", "options"};
    mpv_node values[4];
    values[0].format = MPV_FORMAT_STRING;
    values[0].u.string = const_cast<char*>("loadfile");
    values[1].format = MPV_FORMAT_STRING;
    values[1].u.string = const_cast<char*>(file.constData());
    values[2].format = MPV_FORMAT_STRING;
    values[2].u.string = const_cast<char*>(flags);
    values[3].format = MPV_FORMAT_NODE_MAP;
    values[3].u.list = &optionList;
    mpv_node_list argList{4, values, const_cast<char**>(keys)};
    mpv_node command;
    command.format = MPV_FORMAT_NODE_MAP;
    command.u.list = &argList;
    // mpv copies the node before this returns.
    if (const int rc = mpv_command_node_async(mpv, tag, &command); rc < 0)
        Fail("loadfile", rc);
}

/// A file's load options; a metafile's timeline may also open the local entries it names.
MpvFileOptions OptionsFor(const QByteArray& argument, double start) {
    MpvFileOptions options = PerFileOptions(argument, start);
    if (IsTimelineArgument(argument))
        options.emplace_back("access-references", "yes");
    return options;
}

struct MpvHandleDeleter {
    void operator()(mpv_handle* handle) const noexcept { mpv_terminate_destroy(handle); }
};
using MpvHandle = std::unique_ptr<mpv_handle, MpvHandleDeleter>;

} // namespace

struct MpvMediaControl::Impl {
    MpvHandle mpv; // first member, so it is torn down after everything that refers to it
    MpvMediaControl* q;
    MpvFileTracker tracker;
    std::atomic<bool> drainQueued{false};
    int outputOpenings = 0;
    std::uint64_t sequence = 0;

    int state = psUndefined;
    bool endedByFailure = false;
    bool pauseWanted = false;
    double position = 0.0;
    double duration = 0.0;
    QString name;
    bool timeline = false; // a metafile's entries: the name is the playing entry's title
    int volume = 100;
    double rate = 1.0;

    // A load waits here until the UI thread is free again, so that a position put right after
    // SetUrl goes with the load itself and nothing of the file's opening is heard first.
    struct Load {
        QByteArray file;
        double start = 0.0;
        std::uint64_t sequence = 0; // the tag of a load that SetUrl asked for
    };
    std::optional<Load> unsent;
    // Counts SetUrl and Close: a queued call made before one of them has nothing left to do.
    std::uint64_t generation = 0;
    QByteArray currentFile;

    // The file likely to be set next, as hinted; and its entry in mpv's playlist once appended.
    std::optional<Load> wantedNext;
    struct Appended {
        Load load;
        std::uint64_t sequence = 0;
        std::int64_t id = 0; // 0 until mpv's reply names it
    };
    std::optional<Appended> appended;
    // The current file ended by itself while an entry was appended: mpv either starts that entry
    // or, if the append came too late, goes idle; a load for it waits until mpv has said which.
    bool movingToAppended = false;
    bool loadWaitsForMove = false;

    // What mpv reports of the entry it started last, kept also before that entry is adopted.
    double seenDuration = 0.0;
    QString seenTitle;

    // mpv refuses seeks until the file has loaded; the position waits here until then.
    std::optional<double> pendingSeek;
    // While a put is on its way, mpv still reports the old position; the cache keeps the put.
    bool positionHeld = false;
    std::uint64_t heldSeekSequence = 0;
    bool heldSeekAccepted = false;

    Impl(MpvMediaControl* owner, const Options& options);
    ~Impl();

    void SetOption(const char* name, const QByteArray& value);
    void Observe(MpvProperty property, const char* name, mpv_format format);
    double ReadDouble(const char* name, double fallback);

    static void OnWakeup(void* context);
    void QueueDrain();
    void Drain();
    void Handle(const MpvEventData& event);
    void OnProperty(const MpvEventData& event);
    void OnSeekReply(const MpvEventData& event);
    void OnLoaded();
    void EndCurrent(bool mediaEnded);

    void SetState(int newState);
    void ResetForNewFile();
    void QueueSend();
    void SendUnsent();
    enum class AdoptionVerdict { Adopt, Wait, Load };
    AdoptionVerdict Adoption(const Load& load) const;
    void Adopt(const Load& load);
    void QueueFailure();
    void AppendWantedNext();
    void DropAppended();
    void OnAppendReply(const MpvEventData& event);
    void QueueOrphanCheck();
    void SendSeek(double seconds);
    void SetFlag(const char* name, bool value);
    void SetDouble(const char* name, double value);
    void Command(const char* const* args, std::uint64_t tag);
};

MpvMediaControl::Impl::Impl(MpvMediaControl* owner, const Options& options) : mpv(mpv_create()), q(owner) {
    if (!mpv)
        throw MediaControlError("mpv: could not be created");
    for (const auto& [key, value] : kFixedOptions)
        SetOption(key, value);
    if (!options.audioOutput.isEmpty())
        SetOption("ao", options.audioOutput.toUtf8());
    if (!options.audioFile.isEmpty()) {
        SetOption("ao-pcm-file", options.audioFile.toUtf8());
        SetOption("ao-pcm-waveheader", "no");
        SetOption("audio-format", "s16");
    }
    if (options.untimed) {
        SetOption("untimed", "yes");
        SetOption("ao-null-untimed", "yes");
    }
    if (const int rc = mpv_initialize(mpv.get()); rc < 0)
        Fail("initialise", rc);
    if (!RegisterMidiProtocol(mpv.get()))
        throw MediaControlError("mpv: the MIDI protocol was refused");
    // Only mpv's own informational lines: among them the one that says the audio output opened.
    if (const int rc = mpv_request_log_messages(mpv.get(), "info"); rc < 0)
        Fail("log messages", rc);
    Observe(MpvProperty::TimePos, "time-pos", MPV_FORMAT_DOUBLE);
    Observe(MpvProperty::Duration, "duration", MPV_FORMAT_DOUBLE);
    Observe(MpvProperty::MediaTitle, "media-title", MPV_FORMAT_STRING);
    Observe(MpvProperty::TimelineTitle, kTimelineTitleProperty, MPV_FORMAT_STRING);
    volume = static_cast<int>(std::lround(std::clamp(ReadDouble("volume", 100.0), 0.0, 100.0)));
    rate = ReadDouble("speed", 1.0);
}

MpvMediaControl::Impl::~Impl() {
    // mpv calls the wakeup under its own lock, so none is running or can start once this returns.
    if (mpv)
        mpv_set_wakeup_callback(mpv.get(), nullptr, nullptr);
}

void MpvMediaControl::Impl::SetOption(const char* name, const QByteArray& value) {
    if (const int rc = mpv_set_option_string(mpv.get(), name, value.constData()); rc < 0)
        Fail(name, rc);
}

void MpvMediaControl::Impl::Observe(MpvProperty property, const char* name, mpv_format format) {
    if (const int rc = mpv_observe_property(mpv.get(), static_cast<std::uint64_t>(property), name, format);
        rc < 0)
        Fail(name, rc);
}

double MpvMediaControl::Impl::ReadDouble(const char* name, double fallback) {
    double value = fallback;
    if (mpv_get_property(mpv.get(), name, MPV_FORMAT_DOUBLE, &value) < 0)
        return fallback;
    return value;
}

void MpvMediaControl::Impl::OnWakeup(void* context) {
    // Runs on any mpv thread: queue a drain on the UI thread and touch nothing of mpv here.
    static_cast<Impl*>(context)->QueueDrain();
}

void MpvMediaControl::Impl::QueueDrain() {
    if (drainQueued.exchange(true))
        return;
    // Queued on the QObject, so Qt drops the call if the control is gone before it runs.
    QMetaObject::invokeMethod(
        q, [this] { Drain(); }, Qt::QueuedConnection);
}

void MpvMediaControl::Impl::Drain() {
    // Cleared first: an event arriving during the drain queues another one rather than being lost.
    drainQueued.store(false);
    QPointer<MpvMediaControl> alive(q);
    for (;;) {
        const mpv_event* event = mpv_wait_event(mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            return;
        Handle(CopyMpvEvent(*event));
        if (!alive) // a state handler deleted the control
            return;
    }
}

void MpvMediaControl::Impl::Handle(const MpvEventData& event) {
    switch (event.kind) {
    case MpvEventKind::PropertyChange:
        OnProperty(event);
        return;
    case MpvEventKind::CommandReply:
        OnSeekReply(event);
        OnAppendReply(event);
        break;
    case MpvEventKind::StartFile:
        seenDuration = 0.0;
        seenTitle.clear();
        break;
    case MpvEventKind::Idle:
        movingToAppended = false;
        if (std::exchange(loadWaitsForMove, false))
            SendUnsent();
        return;
    case MpvEventKind::LogMessage:
        if (event.logPrefix == QLatin1String("cplayer") && event.text.startsWith(QLatin1String("AO: [")))
            ++outputOpenings;
        return;
    case MpvEventKind::PlaybackRestart:
        // Only a restart of the loaded current file can be where a held position lands.
        if (positionHeld && heldSeekAccepted && tracker.CurrentFileLoaded())
            positionHeld = false;
        return;
    default:
        break;
    }
    const MpvFileTracker::Verdict verdict = tracker.OnEvent(event);
    if (event.kind == MpvEventKind::StartFile && std::exchange(loadWaitsForMove, false))
        SendUnsent();
    // The next entry is appended once the current one runs, so mpv's playlist holds only these two.
    if (event.kind == MpvEventKind::StartFile && tracker.CurrentFileStarted() && wantedNext && !appended)
        AppendWantedNext();
    switch (verdict) {
    case MpvFileTracker::Verdict::None:
        return;
    case MpvFileTracker::Verdict::Loaded:
        OnLoaded();
        return;
    case MpvFileTracker::Verdict::MediaEnded:
        EndCurrent(true);
        return;
    case MpvFileTracker::Verdict::Failed:
        endedByFailure = true;
        EndCurrent(true);
        return;
    case MpvFileTracker::Verdict::Redirected: {
        // Should access-references ever let a playlist through, its entries must not play.
        const char* stop[] = {"stop", nullptr};
        mpv_command_async(mpv.get(), 0, stop);
        appended.reset();
        endedByFailure = true;
        EndCurrent(true);
        return;
    }
    case MpvFileTracker::Verdict::Stopped:
        EndCurrent(false);
        return;
    }
}

void MpvMediaControl::Impl::OnProperty(const MpvEventData& event) {
    // Property changes carry no entry: they describe the entry mpv started last.
    switch (event.property) {
    case MpvProperty::Duration:
        seenDuration = event.hasValue ? event.number : 0.0;
        break;
    case MpvProperty::MediaTitle:
        if (event.hasValue && !event.text.isEmpty())
            seenTitle = event.text;
        break;
    default:
        break;
    }
    // Until the current file has started they describe another one.
    if (!tracker.CurrentFileStarted())
        return;
    switch (event.property) {
    case MpvProperty::TimePos:
        if (!positionHeld)
            position = event.hasValue ? std::max(0.0, event.number) : 0.0;
        return;
    case MpvProperty::Duration:
        duration = seenDuration;
        return;
    case MpvProperty::MediaTitle:
        if (!seenTitle.isEmpty() && !timeline)
            name = seenTitle;
        return;
    case MpvProperty::TimelineTitle:
        if (event.hasValue && !event.text.isEmpty() && timeline)
            name = event.text;
        return;
    case MpvProperty::None:
        return;
    }
}

void MpvMediaControl::Impl::OnSeekReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Seek || !positionHeld ||
        RequestSequence(event.userdata) != heldSeekSequence)
        return;
    if (event.error < 0) {
        positionHeld = false; // refused: let mpv's own position show again
        return;
    }
    // The seek is queued in mpv; the next playback restart is where it lands.
    heldSeekAccepted = true;
}

void MpvMediaControl::Impl::OnAppendReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Append || !appended ||
        RequestSequence(event.userdata) != appended->sequence)
        return;
    if (event.error < 0 || event.entryId <= 0) {
        appended.reset(); // the next file will simply be loaded when it is set
        return;
    }
    appended->id = event.entryId;
}

void MpvMediaControl::Impl::OnLoaded() {
    const std::optional<double> seek = std::exchange(pendingSeek, std::nullopt);
    if (seek && *seek > 0.0) {
        try {
            SendSeek(*seek);
        } catch (const MediaControlError&) {
            positionHeld = false; // nothing propagates out of the event loop
        }
    } else if (seek) {
        positionHeld = false; // a file starts at 0 anyway
    }
    // Otherwise a start sent with the load stays held until its playback restart.
    SetState(pauseWanted ? psPaused : psPlaying);
}

void MpvMediaControl::Impl::EndCurrent(bool mediaEnded) {
    pendingSeek.reset();
    positionHeld = false;
    // mpv moves on to an appended entry by itself; it is adopted if the program asks for it.
    movingToAppended = appended.has_value();
    if (!mediaEnded) {
        // Stopped from outside or by a failed audio output: the place reached stays readable, so
        // that it can still be remembered.
        SetState(psStopped);
    } else {
        position = 0.0;
        QPointer<MpvMediaControl> alive(q);
        SetState(psMediaEnded);
        if (!alive)
            return;
        // A handler may already have opened the next file; then 1 would be a lie about it.
        if (state == psMediaEnded)
            SetState(psStopped);
    }
    // Queued after the handlers of the states above have posted what they do about the end.
    if (movingToAppended)
        QueueOrphanCheck();
}

void MpvMediaControl::Impl::SetState(int newState) {
    if (state == newState)
        return;
    state = newState;
    emit q->PlayStateChange(newState);
}

void MpvMediaControl::Impl::ResetForNewFile() {
    ++generation;
    loadWaitsForMove = false;
    endedByFailure = false;
    pauseWanted = false;
    pendingSeek.reset();
    positionHeld = false;
    position = 0.0;
    duration = 0.0;
    wantedNext.reset();
}

void MpvMediaControl::Impl::QueueSend() {
    QMetaObject::invokeMethod(
        q,
        [this, expected = generation] {
            if (generation == expected)
                SendUnsent();
        },
        Qt::QueuedConnection);
}

void MpvMediaControl::Impl::SendUnsent() {
    if (!unsent)
        return;
    const Load load = *unsent;
    try {
        switch (Adoption(*unsent)) {
        case AdoptionVerdict::Adopt:
            Adopt(*std::exchange(unsent, std::nullopt));
            return;
        case AdoptionVerdict::Wait:
            loadWaitsForMove = true; // decided at mpv's next start or idle
            return;
        case AdoptionVerdict::Load:
            break;
        }
        unsent.reset();
        appended.reset();
        movingToAppended = false;
        SendLoadFile(mpv.get(), MakeRequestTag(MpvRequest::Load, load.sequence), load.file, "replace",
                     OptionsFor(load.file, load.start));
        if (load.start > 0.0) {
            // mpv reports no position, or the old one, until the file has started at its place.
            positionHeld = true;
            heldSeekSequence = 0;
            heldSeekAccepted = true;
        }
        if (wantedNext)
            AppendWantedNext();
    } catch (const MediaControlError&) {
        // mpv refused to queue the load: the file ends as one that cannot be opened.
        QueueFailure();
    }
}

MpvMediaControl::Impl::AdoptionVerdict MpvMediaControl::Impl::Adoption(const Load& load) const {
    if (!appended || appended->id == 0 || appended->load.file != load.file ||
        std::abs(appended->load.start - load.start) > 1e-6 || tracker.HasEnded(appended->id))
        return AdoptionVerdict::Load;
    if (tracker.LastStartedId() == appended->id)
        return AdoptionVerdict::Adopt;
    // The file before it has ended, but mpv has not yet said whether it goes on to this entry.
    return movingToAppended ? AdoptionVerdict::Wait : AdoptionVerdict::Load;
}

void MpvMediaControl::Impl::Adopt(const Load& load) {
    const std::int64_t id = appended->id;
    appended.reset();
    movingToAppended = false;
    tracker.Adopt(id);
    position = load.start;
    if (tracker.CurrentFileStarted()) {
        duration = seenDuration;
        if (!seenTitle.isEmpty())
            name = seenTitle;
        if (wantedNext)
            AppendWantedNext();
    }
    if (tracker.CurrentFileLoaded())
        OnLoaded();
}

void MpvMediaControl::Impl::QueueFailure() {
    QMetaObject::invokeMethod(
        q,
        [this, expected = generation] {
            if (generation != expected || state != psTransitioning)
                return;
            tracker.Abandon();
            endedByFailure = true;
            EndCurrent(true);
        },
        Qt::QueuedConnection);
}

void MpvMediaControl::Impl::AppendWantedNext() {
    if (!wantedNext || wantedNext->file == currentFile)
        return; // the same file again follows its own remembered position, not a prepared one
    if (appended || tracker.CurrentFileStarted()) {
        // Everything but the current entry goes: the file before it and any earlier hint.
        const char* clear[] = {"playlist-clear", nullptr};
        Command(clear, 0);
    }
    const std::uint64_t tag = ++sequence;
    SendLoadFile(mpv.get(), MakeRequestTag(MpvRequest::Append, tag), wantedNext->file, "append",
                 OptionsFor(wantedNext->file, wantedNext->start));
    appended = Appended{*wantedNext, tag, 0};
}

void MpvMediaControl::Impl::DropAppended() {
    if (!appended)
        return;
    appended.reset();
    movingToAppended = false;
    const char* clear[] = {"playlist-clear", nullptr};
    Command(clear, 0);
}

void MpvMediaControl::Impl::QueueOrphanCheck() {
    // Runs after whatever the end's handlers posted: if none of them set a file, the entry mpv
    // moved on to plays for nobody and is stopped.
    QMetaObject::invokeMethod(
        q,
        [this, expected = generation] {
            if (generation != expected || !appended)
                return;
            const char* stop[] = {"stop", nullptr};
            mpv_command_async(mpv.get(), 0, stop);
            appended.reset();
            movingToAppended = false;
        },
        Qt::QueuedConnection);
}

void MpvMediaControl::Impl::SendSeek(double seconds) {
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const char* args[] = {"seek", target.constData(), "absolute+exact", nullptr};
    Command(args, MakeRequestTag(MpvRequest::Seek, ++sequence));
    positionHeld = true;
    heldSeekSequence = sequence;
    heldSeekAccepted = false;
}

void MpvMediaControl::Impl::SetFlag(const char* name, bool value) {
    int flag = value ? 1 : 0;
    if (const int rc = mpv_set_property_async(mpv.get(), 0, name, MPV_FORMAT_FLAG, &flag); rc < 0)
        Fail(name, rc);
}

void MpvMediaControl::Impl::SetDouble(const char* name, double value) {
    if (const int rc = mpv_set_property_async(mpv.get(), 0, name, MPV_FORMAT_DOUBLE, &value); rc < 0)
        Fail(name, rc);
}

void MpvMediaControl::Impl::Command(const char* const* args, std::uint64_t tag) {
    // mpv_command_async takes a non-const array in 0.35 but only reads it.
    if (const int rc = mpv_command_async(mpv.get(), tag, const_cast<const char**>(args)); rc < 0)
        Fail(args[0], rc);
}

MpvMediaControl::MpvMediaControl(const Options& options, QObject* parent)
    : MediaControl(parent), d(std::make_unique<Impl>(this, options)) {
    // Registered last: from here on mpv may call into a fully built object.
    mpv_set_wakeup_callback(d->mpv.get(), &Impl::OnWakeup, d.get());
    d->QueueDrain(); // events queued before registration raised no wakeup
}

MpvMediaControl::~MpvMediaControl() = default;

void MpvMediaControl::SetUrl(const QString& path) {
    const QByteArray file = MpvOpenArgument(path);
    const bool timeline = IsAsxFileName(path);
    d->SetFlag("pause", false); // a new file starts playing even if the last one was paused
    const std::uint64_t sequence = ++d->sequence;
    d->tracker.LoadRequested(sequence);
    d->ResetForNewFile();
    d->currentFile = file;
    d->name = QFileInfo(path).fileName();
    d->timeline = timeline;
    // Asked of the file itself: for MIDI and metafiles the argument is a URL of the program's own.
    if (IsRegularFile(EncodeFileName(path))) {
        d->unsent = Impl::Load{file, 0.0, sequence};
        d->QueueSend();
    } else {
        // A FIFO or a device could block mpv's reader for good: never opened, it ends at once.
        d->unsent.reset();
        const char* stop[] = {"stop", nullptr};
        d->Command(stop, 0);
        d->appended.reset();
        d->movingToAppended = false;
        d->QueueFailure();
    }
    d->SetState(psTransitioning);
}

void MpvMediaControl::SetNextUrl(const QString& path, double start) {
    const QByteArray file = path.isEmpty() ? QByteArray() : MpvOpenArgument(path);
    if (file.isEmpty() || !IsRegularFile(EncodeFileName(path)) || std::isnan(start)) {
        d->wantedNext.reset();
        if (!d->unsent)
            d->DropAppended();
        return;
    }
    const Impl::Load next{file, std::clamp(start, 0.0, kFarPastAnyEnd), 0};
    if (d->appended && d->appended->load.file == next.file &&
        std::abs(d->appended->load.start - next.start) <= 1e-6) {
        d->wantedNext = next; // already waiting in mpv's playlist
        return;
    }
    d->wantedNext = next;
    // A load still to be sent appends it itself; otherwise it goes in once the current file runs.
    if (!d->unsent && d->tracker.CurrentFileStarted())
        d->AppendWantedNext();
}

int MpvMediaControl::PlayState() const {
    return d->state;
}

void MpvMediaControl::Close() {
    const char* args[] = {"stop", nullptr}; // also empties mpv's playlist
    d->Command(args, 0);
    d->tracker.Abandon();
    d->ResetForNewFile();
    d->unsent.reset();
    d->appended.reset();
    d->movingToAppended = false;
    d->currentFile.clear();
    d->name.clear();
    d->SetState(psStopped);
}

void MpvMediaControl::Play() {
    const bool opening = d->state == psTransitioning;
    if (d->state != psPaused && !opening)
        return;
    d->SetFlag("pause", false);
    d->pauseWanted = false;
    if (!opening)
        d->SetState(psPlaying);
}

void MpvMediaControl::Pause() {
    const bool opening = d->state == psTransitioning;
    if (d->state != psPlaying && !opening)
        return;
    d->SetFlag("pause", true);
    d->pauseWanted = true;
    if (!opening)
        d->SetState(psPaused);
}

double MpvMediaControl::CurrentPosition() const {
    return d->position;
}

void MpvMediaControl::SetCurrentPosition(double seconds) {
    if (std::isnan(seconds))
        throw MediaControlError("position is not a number");
    seconds = std::clamp(seconds, 0.0, kFarPastAnyEnd);
    if (d->unsent) {
        d->unsent->start = seconds; // goes with the load
        d->position = seconds;
        return;
    }
    if (d->tracker.CurrentFileLoaded()) {
        d->SendSeek(seconds);
        d->position = seconds;
        return;
    }
    if (d->state != psTransitioning)
        throw MediaControlError("no media is open");
    d->pendingSeek = seconds;
    d->positionHeld = true;
    d->heldSeekSequence = 0;
    d->heldSeekAccepted = false;
    d->position = seconds;
}

int MpvMediaControl::Volume() const {
    return d->volume;
}

void MpvMediaControl::SetVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    d->SetDouble("volume", volume);
    d->volume = volume;
}

double MpvMediaControl::Rate() const {
    return d->rate;
}

void MpvMediaControl::SetRate(double rate) {
    if (!(rate >= kMinRate && rate <= kMaxRate))
        throw MediaControlError("rate out of range");
    d->SetDouble("speed", rate);
    d->rate = rate;
}

QString MpvMediaControl::MediaName() const {
    return d->name;
}

double MpvMediaControl::MediaDuration() const {
    return d->duration;
}

bool MpvMediaControl::EndedByFailure() const {
    return d->endedByFailure;
}

int MpvMediaControl::AudioOutputOpenings() const {
    return d->outputOpenings;
}
