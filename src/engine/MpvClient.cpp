#include "engine/MpvClient.h"

#include "engine/MediaControl.h"
#include "engine/MpvAudioFilters.h"
#include "engine/MpvEvents.h"
#include "engine/MpvFileOptions.h"
#include "engine/MpvMidiProtocol.h"
#include "util/StartupTrace.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <mpv/client.h>

#include <string>
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
    // libavformat's demuxers only, limited by the open rule (MpvDemuxerOptions): mpv's own
    // demuxers read playlists, edit lists, CUE sheets and archives, which name other files.
    {"demuxer", "lavf"},
    // The next entry of the list waits in mpv's playlist, so the audio output stays open across it.
    {"gapless-audio", "weak"},
    {"prefetch-playlist", "yes"},
    // mpv's defaults keep little audio at the sound server (100 ms with PulseAudio, 20 with
    // PipeWire), so it asks for more many times a second; a fifth of a second halves the CPU of a
    // long book. A pause or a move still takes effect at once; a change of volume, speed or sound
    // is heard within that fifth of a second.
    {"pulse-buffer", "200"},
    {"pipewire-buffer", "200"},
};

// Outside this range of speeds mpv's own pitch keeper falls silent: MpvAudioFilterList puts one
// with mpv's whole range in the chain instead.
constexpr double kPitchKeeperSlowest = 0.25;
constexpr double kPitchKeeperFastest = 4.0;

[[noreturn]] void Fail(const char* what, int code) {
    throw MediaControlError(std::string("mpv: ") + what + ": " + mpv_error_string(code));
}

void SetOption(mpv_handle* mpv, const char* name, const QByteArray& value) {
    if (const int rc = mpv_set_option_string(mpv, name, value.constData()); rc < 0)
        Fail(name, rc);
}

void Observe(mpv_handle* mpv, MpvProperty property, const char* name, mpv_format format) {
    if (const int rc = mpv_observe_property(mpv, static_cast<std::uint64_t>(property), name, format); rc < 0)
        Fail(name, rc);
}

} // namespace

void MpvClient::HandleDeleter::operator()(mpv_handle* handle) const noexcept {
    mpv_terminate_destroy(handle);
}

MpvClient::MpvClient(const MpvOutputOptions& options, QObject& owner) : FHandle(mpv_create()), FOwner(owner) {
    mpv_handle* const mpv = FHandle.get();
    if (!mpv)
        throw MediaControlError("mpv: could not be created");
    for (const auto& [key, value] : kFixedOptions)
        SetOption(mpv, key, value);
    // Nothing from the network: libavformat may open local files only, also for what a demuxer
    // opens by itself (an SDP description binds RTP/UDP sockets through its own protocol calls).
    SetOption(mpv, "demuxer-lavf-o", MpvDemuxerOptions());
    SetOption(mpv, "stream-lavf-o", MpvStreamOptions());
    // mpv tries PipeWire first, which costs a failed connection before every first sound on a
    // PulseAudio desktop; a PipeWire desktop serves PulseAudio's protocol too. The trailing comma
    // keeps mpv's other outputs after it.
    SetOption(mpv, "ao", options.audioOutput.isEmpty() ? QByteArray("pulse,") : options.audioOutput.toUtf8());
    if (!options.audioFile.isEmpty()) {
        SetOption(mpv, "ao-pcm-file", options.audioFile.toUtf8());
        SetOption(mpv, "ao-pcm-waveheader", "no");
        // Every sample the output got, also across a reopening of the output.
        SetOption(mpv, "ao-pcm-append", "yes");
        SetOption(mpv, "audio-format", "s16");
    }
    if (options.untimed) {
        SetOption(mpv, "untimed", "yes");
        SetOption(mpv, "ao-null-untimed", "yes");
    }
    if (const int rc = mpv_initialize(mpv); rc < 0)
        Fail("initialise", rc);
    if (!RegisterMidiProtocol(mpv))
        throw MediaControlError("mpv: the MIDI protocol was refused");
    // Only mpv's own informational lines: among them the one that says the audio output opened.
    if (const int rc = mpv_request_log_messages(mpv, "info"); rc < 0)
        Fail("log messages", rc);
    Observe(mpv, MpvProperty::TimePos, "time-pos", MPV_FORMAT_DOUBLE);
    Observe(mpv, MpvProperty::Duration, "duration", MPV_FORMAT_DOUBLE);
    Observe(mpv, MpvProperty::MediaTitle, "media-title", MPV_FORMAT_STRING);
    // By key, as mpv matches tag names without regard to case (ID3 "title", Vorbis "TITLE").
    Observe(mpv, MpvProperty::TitleTag, "metadata/by-key/title", MPV_FORMAT_STRING);
    Observe(mpv, MpvProperty::ArtistTag, "metadata/by-key/artist", MPV_FORMAT_STRING);
    Observe(mpv, MpvProperty::AlbumTag, "metadata/by-key/album", MPV_FORMAT_STRING);
    Observe(mpv, MpvProperty::ChapterList, "chapter-list", MPV_FORMAT_NODE);
    Observe(mpv, MpvProperty::Path, "path", MPV_FORMAT_STRING);
    MarkStartup(StartupStep::MpvCreated);
}

MpvClient::~MpvClient() {
    // mpv calls the wakeup under its own lock, so none is running or can start once this returns.
    if (FHandle)
        mpv_set_wakeup_callback(FHandle.get(), nullptr, nullptr);
}

void MpvClient::Listen(EventHandler handler) {
    FHandler = std::move(handler);
    mpv_set_wakeup_callback(FHandle.get(), &MpvClient::OnWakeup, this);
    QueueDrain(); // events queued before registration raised no wakeup
}

void MpvClient::OnWakeup(void* context) {
    // Runs on any mpv thread: queue a drain on the owner's thread and touch nothing of mpv here.
    static_cast<MpvClient*>(context)->QueueDrain();
}

void MpvClient::QueueDrain() {
    if (FDrainQueued.exchange(true))
        return;
    // Queued on the owner, so Qt drops the call if the owner is gone before it runs.
    QMetaObject::invokeMethod(
        &FOwner, [this] { Drain(); }, Qt::QueuedConnection);
}

void MpvClient::Drain() {
    // Cleared first: an event arriving during the drain queues another one rather than being lost.
    FDrainQueued.store(false);
    // A handler may delete the owner and this client with it: after that nothing of this is touched.
    const QPointer<QObject> alive(&FOwner);
    const EventHandler handler = FHandler;
    mpv_handle* const mpv = FHandle.get();
    for (;;) {
        const mpv_event* event = mpv_wait_event(mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            return;
        // Copied out: the event is invalid after the next wait.
        const MpvEventData data = CopyMpvEvent(*event);
        if (data.kind == MpvEventKind::PlaybackRestart)
            MarkStartup(StartupStep::FirstSound);
        if (data.kind == MpvEventKind::CommandReply && RequestKind(data.userdata) == MpvRequest::Barrier)
            PassBarrier(RequestSequence(data.userdata));
        else if (!ShownToSkipper(data))
            handler(data);
        if (!alive)
            return;
    }
}

void MpvClient::Command(std::initializer_list<const char*> args, std::uint64_t tag, OnRefusal onRefusal) {
    std::vector<const char*> list(args);
    list.push_back(nullptr);
    const int rc = mpv_command_async(FHandle.get(), tag, list.data());
    if (rc >= 0 && qstrcmp(list.front(), "seek") == 0)
        FSkipper.OnMoveSent();
    if (rc < 0 && onRefusal == OnRefusal::Throw)
        Fail(list.front(), rc);
}

void MpvClient::LoadFile(const MpvLoad& load, const char* flags, std::uint64_t tag) {
    if (qstrcmp(flags, "append") != 0)
        FSkipper.OnMoveSent();
    // Built as an mpv node so that no value needs quoting.
    const QByteArray& file = load.file;
    const MpvFileOptions options = PerFileOptions(file, load.start, load.end);
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
    if (const int rc = mpv_command_node_async(FHandle.get(), tag, &command); rc < 0)
        Fail("loadfile", rc);
    MarkStartup(StartupStep::LoadSent);
}

void MpvClient::SetFlag(const char* name, bool value) {
    int flag = value ? 1 : 0;
    if (const int rc = mpv_set_property_async(FHandle.get(), 0, name, MPV_FORMAT_FLAG, &flag); rc < 0)
        Fail(name, rc);
}

void MpvClient::SetDouble(const char* name, double value) {
    if (const int rc = mpv_set_property_async(FHandle.get(), 0, name, MPV_FORMAT_DOUBLE, &value); rc < 0)
        Fail(name, rc);
}

void MpvClient::SetSpeed(double speed) {
    FWidePitchKeeper = speed < kPitchKeeperSlowest || speed > kPitchKeeperFastest;
    ApplyFilters();
    SetDouble("speed", speed);
}

void MpvClient::SetSound(const SoundOptions& sound) {
    FSound = sound;
    ApplyFilters();
    FSkipper.SetOn(sound.shortSilences);
}

void MpvClient::ApplyFilters() {
    // One list for everything asked, set whole: mpv rebuilds its chain only when it changes, and
    // keeps it for every file after.
    const QByteArray filters = MpvAudioFilterList(FSound, FWidePitchKeeper);
    if (filters == FFilters)
        return;
    const char* text = filters.constData();
    if (const int rc = mpv_set_property_async(FHandle.get(), 0, "af", MPV_FORMAT_STRING, &text); rc < 0)
        Fail("af", rc);
    FFilters = filters;
}

bool MpvClient::ShownToSkipper(const MpvEventData& event) {
    switch (event.kind) {
    case MpvEventKind::CommandReply:
        if (RequestKind(event.userdata) != MpvRequest::Skip)
            return false;
        if (event.error < 0)
            FSkipper.OnSkipRefused();
        return true;
    case MpvEventKind::StartFile:
        FSkipper.OnStartFile();
        return false;
    case MpvEventKind::PlaybackRestart:
        FSkipper.OnPlaybackRestart();
        return false;
    case MpvEventKind::PropertyChange:
        if (event.property == MpvProperty::Path) {
            FSkipper.OnPath(event.hasValue ? event.text.toUtf8() : QByteArray());
            return true;
        }
        if (event.property == MpvProperty::TimePos && event.hasValue)
            FSkipper.OnPosition(event.number);
        return false;
    default:
        return false;
    }
}

void MpvClient::SendSkip(double seconds) {
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const char* args[] = {"seek", target.constData(), "absolute+exact", nullptr};
    // Not through Command: the skipper's own seek is no move of someone else's.
    if (mpv_command_async(FHandle.get(), MakeRequestTag(MpvRequest::Skip, ++FSkipSequence), args) < 0)
        FSkipper.OnSkipRefused();
}

double MpvClient::ReadDouble(const char* name, double fallback) const {
    double value = fallback;
    if (mpv_get_property(FHandle.get(), name, MPV_FORMAT_DOUBLE, &value) < 0)
        return fallback;
    return value;
}

void MpvClient::Barrier(std::function<void()> reached) {
    // Two round trips: mpv takes the requests that wait for it together, within one turn of its
    // playback loop, and what that turn raises afterwards (the end of a file a stop ended) comes
    // before the second reply only.
    SendBarrier([this, reached = std::move(
                           reached)]() mutable { SendBarrier(std::move(reached), OnRefusal::Ignore); },
                OnRefusal::Throw);
}

void MpvClient::SendBarrier(std::function<void()> reached, OnRefusal onRefusal) {
    const std::uint64_t sequence = ++FBarrierSequence;
    // "ignore" is mpv's command that does nothing: its reply is all that is asked of it.
    Command({"ignore"}, MakeRequestTag(MpvRequest::Barrier, sequence), onRefusal);
    FBarriers.emplace(sequence, std::move(reached));
}

void MpvClient::PassBarrier(std::uint64_t sequence) {
    const auto found = FBarriers.find(sequence);
    if (found == FBarriers.end())
        return;
    const std::function<void()> reached = std::move(found->second);
    FBarriers.erase(found);
    reached();
}
