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

struct MidiSynth::Handles {
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings; // outlives the synth built on it
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth;
};

MidiSynth::MidiSynth(std::unique_ptr<Handles> handles) : m(std::move(handles)) {}

MidiSynth::~MidiSynth() = default;

std::unique_ptr<MidiSynth> MidiSynth::Create(const std::string& soundfont) {
    SilenceFluidLog();
    auto handles = std::make_unique<Handles>();
    handles->settings.reset(new_fluid_settings());
    if (!handles->settings)
        return nullptr;
    fluid_settings_t* settings = handles->settings.get();
    fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(settings, "synth.lock-memory", 0); // no pinning of 150 MB of samples
    fluid_settings_setint(settings, "synth.cpu-cores", 1);   // no threads of its own
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    handles->synth.reset(new_fluid_synth(settings));
    if (!handles->synth || soundfont.empty())
        return nullptr;
    if (fluid_synth_sfload(handles->synth.get(), soundfont.c_str(), 1) == FLUID_FAILED)
        return nullptr;
    return std::unique_ptr<MidiSynth>(new MidiSynth(std::move(handles)));
}

void MidiSynth::Reset() {
    // The voices stop only when a block is rendered; a reset before that brings them back, and the
    // reset's own effect (the reverb tail cleared) also takes a block. Both blocks are thrown away.
    fluid_synth_t* synth = m->synth.get();
    std::int16_t discard[2 * kBlockFrames];
    fluid_synth_all_sounds_off(synth, -1);
    fluid_synth_write_s16(synth, kBlockFrames, discard, 0, 2, discard, 1, 2);
    fluid_synth_system_reset(synth);
    fluid_synth_write_s16(synth, kBlockFrames, discard, 0, 2, discard, 1, 2);
}

void MidiSynth::Send(const MidiEvent& event, const MidiFile& file, bool withNotes) {
    fluid_synth_t* synth = m->synth.get();
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
    fluid_synth_write_s16(m->synth.get(), frames, out, 0, 2, out, 1, 2);
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
    : m_soundfont(std::move(soundfont)), m_lifetime(idleLifetime), m_reaper([this] { FreeExpired(); }) {}

MidiSynthPool::~MidiSynthPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_reaper.join();
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
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            PooledMidiSynth synth(m_idle.back().synth.release(), MidiSynthReturn{this});
            m_idle.pop_back();
            return synth;
        }
        if (m_live >= kMaxSynths)
            return PooledMidiSynth(nullptr, MidiSynthReturn{this});
        ++m_live;
    }
    // Loaded outside the lock: another stream may take or give back a synthesiser meanwhile.
    std::unique_ptr<MidiSynth> synth = MidiSynth::Create(m_soundfont);
    if (!synth) {
        std::lock_guard lock(m_mutex);
        --m_live;
    }
    return PooledMidiSynth(synth.release(), MidiSynthReturn{this});
}

void MidiSynthPool::Release(std::unique_ptr<MidiSynth> synth) noexcept {
    synth->Reset();
    try {
        std::lock_guard lock(m_mutex);
        m_idle.push_back({std::move(synth), Clock::now()});
    } catch (...) {
        std::lock_guard lock(m_mutex);
        --m_live; // no room to keep it: it is freed here
        return;
    }
    m_changed.notify_all();
}

int MidiSynthPool::IdleCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_idle.size());
}

void MidiSynthPool::FreeExpired() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_idle.empty()) {
            m_changed.wait(lock, [this] { return m_stopping || !m_idle.empty(); });
            continue;
        }
        const Clock::time_point due = m_idle.front().since + m_lifetime;
        if (m_changed.wait_until(lock, due, [this] { return m_stopping; }))
            break;
        std::vector<Idle> expired;
        const Clock::time_point now = Clock::now();
        while (!m_idle.empty() && m_idle.front().since + m_lifetime <= now) {
            expired.push_back(std::move(m_idle.front()));
            m_idle.erase(m_idle.begin());
            --m_live;
        }
        lock.unlock();
        expired.clear(); // freeing a soundfont takes a moment; nobody waits for the lock meanwhile
        lock.lock();
    }
}
