#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct MidiEvent;
class MidiFile;

/// A software synthesiser with a General MIDI soundfont loaded, rendering 16-bit stereo PCM at
/// kSampleRate. Not thread-safe: one stream uses it at a time.
class MidiSynth {
public:
    static constexpr int kSampleRate = 44100;
    /// The synthesiser renders in blocks of this many frames; events take effect at a block's start.
    static constexpr int kBlockFrames = 64;

    /// Returns null when the synthesiser cannot be made or the soundfont cannot be loaded.
    static std::unique_ptr<MidiSynth> Create(const std::string& soundfont);
    ~MidiSynth();
    MidiSynth(const MidiSynth&) = delete;
    MidiSynth& operator=(const MidiSynth&) = delete;

    /// Silences every voice at once, then returns every channel to its power-on state, so no note
    /// of an earlier place or file hangs on.
    void Reset();
    /// Sends one event of `file`. Without notes only the channel state (programs, controllers,
    /// bends, SysEx) changes: that is how a seek catches up with the place it lands on.
    void Send(const MidiEvent& event, const MidiFile& file, bool withNotes = true);
    /// Renders `frames` interleaved stereo frames (2 × frames samples) into `out`. Asked for whole
    /// blocks only, it keeps nothing back that a later Reset would let through.
    void Render(std::int16_t* out, int frames);

private:
    struct Impl;
    explicit MidiSynth(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> FImpl;
};

class MidiSynthPool;

/// Gives a synthesiser back to the pool it came from when it is dropped.
struct MidiSynthReturn {
    MidiSynthPool* pool = nullptr;
    void operator()(MidiSynth* synth) const noexcept;
};
using PooledMidiSynth = std::unique_ptr<MidiSynth, MidiSynthReturn>;

/// The General MIDI soundfont the program plays with: the first installed of a fixed list, or the
/// empty text when none is installed.
std::string InstalledSoundfont();

/// Synthesisers waiting for the next MIDI file: loading the soundfont takes time and memory, so a
/// released one is kept for `idleLifetime` and freed by a thread of the pool after that. Every open
/// MIDI stream holds one (the file playing and the one prepared after it), and at most kMaxSynths
/// exist at a time. Thread-safe.
class MidiSynthPool {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxSynths = 8;

    MidiSynthPool(std::string soundfont, Clock::duration idleLifetime);
    ~MidiSynthPool();
    MidiSynthPool(const MidiSynthPool&) = delete;
    MidiSynthPool& operator=(const MidiSynthPool&) = delete;

    /// The pool of the process, with the installed soundfont.
    static MidiSynthPool& Shared();

    /// An idle synthesiser, or a newly loaded one (this may take a while); null when none can be
    /// loaded or kMaxSynths are in use.
    PooledMidiSynth Acquire();
    int IdleCount() const;

private:
    friend struct MidiSynthReturn;
    /// Takes a synthesiser back, reset, to wait for the next file.
    void Release(std::unique_ptr<MidiSynth> synth) noexcept;

    struct Idle {
        std::unique_ptr<MidiSynth> synth;
        Clock::time_point since;
    };
    void FreeExpired();

    const std::string FSoundfont;
    const Clock::duration FLifetime;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<Idle> FIdle; // oldest first
    int FLive = 0;           // in use or idle, and those being loaded
    bool FStopping = false;
    std::thread FReaper; // last: starts once everything it uses exists
};
