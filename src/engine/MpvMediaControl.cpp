#include "engine/MpvMediaControl.h"

#include "engine/AsxPlaylist.h"
#include "engine/MidiStream.h"
#include "engine/MpvEvents.h"
#include "engine/MpvFileTracker.h"
#include "engine/MpvLocalPath.h"
#include "engine/MpvTimeline.h"

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
};

constexpr double kMinRate = 0.01; // mpv's own bounds for speed
constexpr double kMaxRate = 100.0;
constexpr double kFarPastAnyEnd = 1e9;

[[noreturn]] void Fail(const char* what, int code) {
    throw MediaControlError(std::string("mpv: ") + what + ": " + mpv_error_string(code));
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
    if (options.untimed) {
        SetOption("untimed", "yes");
        SetOption("ao-null-untimed", "yes");
    }
    if (const int rc = mpv_initialize(mpv.get()); rc < 0)
        Fail("initialise", rc);
    if (!RegisterMidiProtocol(mpv.get()))
        throw MediaControlError("mpv: the MIDI protocol was refused");
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
        break;
    case MpvEventKind::PlaybackRestart:
        if (positionHeld && heldSeekAccepted)
            positionHeld = false;
        return;
    default:
        break;
    }
    switch (tracker.OnEvent(event)) {
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
    // Property changes carry no entry; until the current file has started they describe the old one.
    if (!tracker.CurrentFileStarted())
        return;
    switch (event.property) {
    case MpvProperty::TimePos:
        if (!positionHeld)
            position = event.hasValue ? std::max(0.0, event.number) : 0.0;
        return;
    case MpvProperty::Duration:
        duration = event.hasValue ? event.number : 0.0;
        return;
    case MpvProperty::MediaTitle:
        if (event.hasValue && !event.text.isEmpty() && !timeline)
            name = event.text;
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

void MpvMediaControl::Impl::OnLoaded() {
    const std::optional<double> seek = std::exchange(pendingSeek, std::nullopt);
    if (seek && *seek > 0.0) {
        try {
            SendSeek(*seek);
        } catch (const MediaControlError&) {
            positionHeld = false; // nothing propagates out of the event loop
        }
    } else {
        positionHeld = false; // a file starts at 0 anyway
    }
    SetState(pauseWanted ? psPaused : psPlaying);
}

void MpvMediaControl::Impl::EndCurrent(bool mediaEnded) {
    pendingSeek.reset();
    positionHeld = false;
    position = 0.0;
    if (!mediaEnded) {
        SetState(psStopped);
        return;
    }
    QPointer<MpvMediaControl> alive(q);
    SetState(psMediaEnded);
    // A handler may already have opened the next file; then 1 would be a lie about it.
    if (!alive || state != psMediaEnded)
        return;
    SetState(psStopped);
}

void MpvMediaControl::Impl::SetState(int newState) {
    if (state == newState)
        return;
    state = newState;
    emit q->PlayStateChange(newState);
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
    const QByteArray file = LocalFileArgument(path);
    const bool timeline = IsAsxFileName(path);
    d->SetFlag("pause", false); // a new file starts playing even if the last one was paused
    const std::uint64_t sequence = ++d->sequence;
    const char* options = timeline ? kTimelineLoadOptions : nullptr;
    const char* args[] = {"loadfile", file.constData(), "replace", options, nullptr};
    d->Command(args, MakeRequestTag(MpvRequest::Load, sequence));
    d->tracker.LoadRequested(sequence);
    d->endedByFailure = false;
    d->pauseWanted = false;
    d->pendingSeek.reset();
    d->positionHeld = false;
    d->position = 0.0;
    d->duration = 0.0;
    d->name = QFileInfo(path).fileName();
    d->timeline = timeline;
    d->SetState(psTransitioning);
}

int MpvMediaControl::PlayState() const {
    return d->state;
}

void MpvMediaControl::Close() {
    const char* args[] = {"stop", nullptr};
    d->Command(args, 0);
    d->tracker.Abandon();
    d->pauseWanted = false;
    d->pendingSeek.reset();
    d->positionHeld = false;
    d->position = 0.0;
    d->duration = 0.0;
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
