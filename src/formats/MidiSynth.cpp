#include "formats/MidiSynth.h"

#include "formats/MidiFile.h"

#include <fluidsynth.h>

#include <filesystem>
#include <mutex>
#include <utility>

namespace {

// The small soundfont first: 6 MB and a few milliseconds to load against 150 MB and 120-150 ms
// for the large one, which is used only when it is the one installed.
constexpr const char* kSoundfonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

constexpr auto kIdleLifetime = std::chrono::seconds(60);

void SilenceFluidLog() {
    // The program writes no log; fluidsynth would print to the terminal from mpv's threads.
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const noexcept { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const noexcept { delete_fluid_synth(synth); }
};

} // namespace

struct MidiSynth::Impl {
    std::unique_ptr<fluid_settings_t, SettingsDeleter> FSettings; // outlives the synth built on it
    std::unique_ptr<fluid_synth_t, SynthDeleter> FSynth;
};

MidiSynth::MidiSynth(std::unique_ptr<Impl> impl) : FImpl(std::move(impl)) {}

MidiSynth::~MidiSynth() = default;

std::unique_ptr<MidiSynth> MidiSynth::Create(const std::string& soundfont) {
    SilenceFluidLog();
    auto impl = std::make_unique<Impl>();
    impl->FSettings.reset(new_fluid_settings());
    if (!impl->FSettings)
        return nullptr;
    fluid_settings_t* settings = impl->FSettings.get();
    fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(settings, "synth.lock-memory", 0); // no pinning of 150 MB of samples
    fluid_settings_setint(settings, "synth.cpu-cores", 1);   // no threads of its own
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    impl->FSynth.reset(new_fluid_synth(settings));
    if (!impl->FSynth || soundfont.empty())
        return nullptr;
    if (fluid_synth_sfload(impl->FSynth.get(), soundfont.c_str(), 1) == FLUID_FAILED)
        return nullptr;
    return std::unique_ptr<MidiSynth>(new MidiSynth(std::move(impl)));
}

void MidiSynth::Reset() {
    // The voices stop only when a block is rendered; a reset before that brings them back, and the
    // reset's own effect (the reverb tail cleared) also takes a block. Both blocks are thrown away.
    fluid_synth_t* synth = FImpl->FSynth.get();
    std::int16_t discard[2 * kBlockFrames];
    fluid_synth_all_sounds_off(synth, -1);
    fluid_synth_write_s16(synth, kBlockFrames, discard, 0, 2, discard, 1, 2);
    fluid_synth_system_reset(synth);
    fluid_synth_write_s16(synth, kBlockFrames, discard, 0, 2, discard, 1, 2);
}

void MidiSynth::Send(const MidiEvent& event, const MidiFile& file, bool withNotes) {
    fluid_synth_t* synth = FImpl->FSynth.get();
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
    case 0x80:
        if (withNotes)
            fluid_synth_noteoff(synth, channel, event.data1);
        return;
    case 0x90:
        if (withNotes)
            fluid_synth_noteon(synth, channel, event.data1, event.data2);
        return;
    case 0xA0:
        if (withNotes)
            fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
        return;
    case 0xB0:
        fluid_synth_cc(synth, channel, event.data1, event.data2);
        return;
    case 0xC0:
        fluid_synth_program_change(synth, channel, event.data1);
        return;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, event.data1);
        return;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7));
        return;
    case 0xF0: {
        const auto* body = reinterpret_cast<const char*>(file.SysexData().data() + event.sysexOffset);
        fluid_synth_sysex(synth, body, static_cast<int>(event.sysexLength), nullptr, nullptr, nullptr, 0);
        return;
    }
    default:
        return;
    }
}

void MidiSynth::Render(std::int16_t* out, int frames) {
    fluid_synth_write_s16(FImpl->FSynth.get(), frames, out, 0, 2, out, 1, 2);
}

std::string InstalledSoundfont() {
    std::error_code error;
    for (const char* path : kSoundfonts) {
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return {};
}

MidiSynthPool::MidiSynthPool(std::string soundfont, Clock::duration idleLifetime)
    : FSoundfont(std::move(soundfont)), FLifetime(idleLifetime), FReaper([this] { FreeExpired(); }) {}

MidiSynthPool::~MidiSynthPool() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    FReaper.join();
}

MidiSynthPool& MidiSynthPool::Shared() {
    static MidiSynthPool pool(InstalledSoundfont(), kIdleLifetime);
    return pool;
}

void MidiSynthReturn::operator()(MidiSynth* synth) const noexcept {
    pool->Release(std::unique_ptr<MidiSynth>(synth));
}

PooledMidiSynth MidiSynthPool::Acquire() {
    {
        std::lock_guard lock(FMutex);
        if (!FIdle.empty()) {
            PooledMidiSynth synth(FIdle.back().synth.release(), MidiSynthReturn{this});
            FIdle.pop_back();
            return synth;
        }
        if (FLive >= kMaxSynths)
            return PooledMidiSynth(nullptr, MidiSynthReturn{this});
        ++FLive;
    }
    // Loaded outside the lock: another stream may take or give back a synthesiser meanwhile.
    std::unique_ptr<MidiSynth> synth = MidiSynth::Create(FSoundfont);
    if (!synth) {
        std::lock_guard lock(FMutex);
        --FLive;
    }
    return PooledMidiSynth(synth.release(), MidiSynthReturn{this});
}

void MidiSynthPool::Release(std::unique_ptr<MidiSynth> synth) noexcept {
    synth->Reset();
    try {
        std::lock_guard lock(FMutex);
        FIdle.push_back({std::move(synth), Clock::now()});
    } catch (...) {
        std::lock_guard lock(FMutex);
        --FLive; // no room to keep it: it is freed here
        return;
    }
    FChanged.notify_all();
}

int MidiSynthPool::IdleCount() const {
    std::lock_guard lock(FMutex);
    return static_cast<int>(FIdle.size());
}

void MidiSynthPool::FreeExpired() {
    std::unique_lock lock(FMutex);
    while (!FStopping) {
        if (FIdle.empty()) {
            FChanged.wait(lock, [this] { return FStopping || !FIdle.empty(); });
            continue;
        }
        const Clock::time_point due = FIdle.front().since + FLifetime;
        if (FChanged.wait_until(lock, due, [this] { return FStopping; }))
            break;
        std::vector<Idle> expired;
        const Clock::time_point now = Clock::now();
        while (!FIdle.empty() && FIdle.front().since + FLifetime <= now) {
            expired.push_back(std::move(FIdle.front()));
            FIdle.erase(FIdle.begin());
            --FLive;
        }
        lock.unlock();
        expired.clear(); // freeing a soundfont takes a moment; nobody waits for the lock meanwhile
        lock.lock();
    }
}
