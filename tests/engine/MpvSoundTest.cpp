// What a listener hears with the sound options: the loudness of quiet and loud recordings, both
// channels with mono, silences shortened while positions stay in the recording's own time, and
// the rest of playback (gapless, speed, a change while playing) untouched by them.
#include "MpvTestSupport.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <QMetaObject>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <optional>
#include <vector>

namespace {

constexpr SoundOptions kAllOn{true, true, true};

struct Loudness {
    double integrated = 0.0; // LUFS
    double truePeak = 0.0;   // dBTP
};

/// Integrated loudness and true peak of interleaved 16-bit samples, by FFmpeg's EBU R128 meter.
std::optional<Loudness> MeasureLoudness(const std::vector<std::int16_t>& samples, int rate, int channels) {
    av_log_set_level(AV_LOG_QUIET); // the meter's own summary would crowd the test's output
    AVFilterGraph* graph = avfilter_graph_alloc();
    if (!graph)
        return std::nullopt;
    const std::unique_ptr<AVFilterGraph, void (*)(AVFilterGraph*)> owned(
        graph, [](AVFilterGraph* g) { avfilter_graph_free(&g); });
    const QByteArray source = QStringLiteral("sample_rate=%1:sample_fmt=s16:channel_layout=%2:time_base=1/%1")
                                  .arg(rate)
                                  .arg(QLatin1String(channels == 2 ? "stereo" : "mono"))
                                  .toLatin1();
    AVFilterContext *in = nullptr, *meter = nullptr, *out = nullptr;
    if (avfilter_graph_create_filter(&in, avfilter_get_by_name("abuffer"), "in", source.constData(), nullptr,
                                     graph) < 0 ||
        avfilter_graph_create_filter(&meter, avfilter_get_by_name("ebur128"), "meter", "peak=true:metadata=1",
                                     nullptr, graph) < 0 ||
        avfilter_graph_create_filter(&out, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                     graph) < 0 ||
        avfilter_link(in, 0, meter, 0) < 0 || avfilter_link(meter, 0, out, 0) < 0 ||
        avfilter_graph_config(graph, nullptr) < 0)
        return std::nullopt;
    Loudness found;
    AVFrame* frame = av_frame_alloc();
    const auto drain = [&] {
        while (av_buffersink_get_frame(out, frame) >= 0) {
            if (const AVDictionaryEntry* e = av_dict_get(frame->metadata, "lavfi.r128.I", nullptr, 0))
                found.integrated = std::atof(e->value);
            if (const AVDictionaryEntry* e = av_dict_get(frame->metadata, "lavfi.r128.true_peak", nullptr, 0))
                found.truePeak = 20.0 * std::log10(std::max(std::atof(e->value), 1e-9));
            av_frame_unref(frame);
        }
    };
    constexpr int kChunk = 1024;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    for (std::size_t at = 0; at < frames; at += kChunk) {
        const int count = static_cast<int>(std::min<std::size_t>(kChunk, frames - at));
        frame->format = AV_SAMPLE_FMT_S16;
        frame->sample_rate = rate;
        av_channel_layout_default(&frame->ch_layout, channels);
        frame->nb_samples = count;
        frame->pts = static_cast<std::int64_t>(at);
        if (av_frame_get_buffer(frame, 0) < 0)
            break;
        std::memcpy(frame->data[0], samples.data() + at * static_cast<std::size_t>(channels),
                    static_cast<std::size_t>(count * channels) * sizeof(std::int16_t));
        if (av_buffersrc_add_frame(in, frame) < 0)
            break;
        drain();
    }
    // The end of the input: the meter's last figures come with the frames it still holds.
    if (av_buffersrc_add_frame(in, nullptr) >= 0)
        drain();
    av_frame_free(&frame);
    return found;
}

/// RMS in dB below full scale of seconds `from` to `to` of interleaved samples.
double LevelDb(const std::vector<std::int16_t>& samples, int rate, int channels, double from, double to) {
    const auto first = static_cast<std::size_t>(from * rate) * static_cast<std::size_t>(channels);
    const auto last =
        std::min(samples.size(), static_cast<std::size_t>(to * rate) * static_cast<std::size_t>(channels));
    double energy = 0.0;
    for (std::size_t i = first; i < last; ++i)
        energy += static_cast<double>(samples[i]) * samples[i];
    const double rms =
        std::sqrt(energy / static_cast<double>(std::max<std::size_t>(1, last - first))) / 32768.0;
    return 20.0 * std::log10(std::max(rms, 1e-9));
}

/// One channel of interleaved stereo samples.
std::vector<std::int16_t> Channel(const std::vector<std::int16_t>& stereo, int channel) {
    std::vector<std::int16_t> out;
    for (std::size_t i = static_cast<std::size_t>(channel); i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

/// Stretches of sound in mono samples: begin and length in seconds, judged by 10-ms windows.
struct Burst {
    double begin = 0.0;
    double seconds = 0.0;
};
std::vector<Burst> Bursts(const std::vector<std::int16_t>& samples, int rate) {
    const int window = rate / 100;
    std::vector<Burst> found;
    bool inBurst = false;
    for (std::size_t at = 0; at + static_cast<std::size_t>(window) <= samples.size(); at += window) {
        int peak = 0;
        for (int i = 0; i < window; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples[at + static_cast<std::size_t>(i)])));
        const bool loud = peak > 1000;
        const double now = static_cast<double>(at) / rate;
        if (loud && !inBurst)
            found.push_back({now, 0.0});
        if (loud)
            found.back().seconds = now + static_cast<double>(window) / rate - found.back().begin;
        inBurst = loud;
    }
    return found;
}

/// The frequency of mono samples from their zero crossings.
double Frequency(const std::vector<std::int16_t>& samples, int rate) {
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    return crossings / 2.0 / (static_cast<double>(samples.size()) / rate);
}

class MpvSound : public MpvMediaControlTest {
protected:
    QString Write(const QString& name, const std::vector<std::int16_t>& samples, int rate, int channels) {
        const QString path = FDir.filePath(name);
        EXPECT_TRUE(WriteSamplesWav(path, samples, rate, channels)) << path.toStdString();
        return path;
    }

    /// Plays `file` to its end on the "pcm" output with `sound`, as fast as it decodes; returns
    /// every sample heard.
    std::vector<std::int16_t> Play(const QString& file, const SoundOptions& sound, double rate = 1.0,
                                   int volume = 100) {
        const QString output = FDir.filePath("out.raw");
        QFile::remove(output);
        {
            MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
            c.SetSound(sound);
            c.SetRate(rate);
            c.SetVolume(volume);
            StateLog log(c);
            c.SetUrl(file);
            EXPECT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }, 30000));
            EXPECT_TRUE(log.Saw(psMediaEnded));
            EXPECT_FALSE(c.EndedByFailure());
        } // the output file is complete once the control is gone
        return ReadRawSamples(output);
    }

    /// Plays `file` to its end in real time on the null output with `sound`, reading the position
    /// every few milliseconds: the places it passed through, in order.
    static std::vector<double>
    PlayInRealTime(const QString& file, const SoundOptions& sound,
                   const std::function<void(MpvMediaControl&)>& meanwhile = nullptr,
                   std::vector<Silence>* passedOver = nullptr) {
        std::vector<double> places;
        auto c = RealTime();
        c->SetSound(sound);
        StateLog log(*c);
        c->SetUrl(file);
        EXPECT_TRUE(WaitUntil(
            [&] {
                if (c->PlayState() == psPlaying) {
                    places.push_back(c->CurrentPosition());
                    if (meanwhile)
                        meanwhile(*c);
                }
                return log.Saw(psStopped);
            },
            60000));
        EXPECT_TRUE(log.Saw(psMediaEnded));
        EXPECT_EQ(c->Rate(), 1.0) << "the listener's rate changed";
        if (passedOver)
            *passedOver = c->PassedOver();
        return places;
    }
};

// ---- Even loudness

constexpr int kSpeechRate = 22050;

/// Three sentences of 2 s of a voice-like sound (a 140-Hz voice with harmonics, in syllables),
/// each followed by a 3-s pause holding noise 40 dB below the speech; the same on both channels,
/// scaled to `lufs`.
std::vector<std::int16_t> Speech(double lufs) {
    std::vector<double> mono;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 15 * kSpeechRate; ++i) {
        const double t = static_cast<double>(i) / kSpeechRate;
        double v = 0.0;
        if (std::fmod(t, 5.0) < 2.0) {
            for (int h = 1; h <= 6; ++h)
                v += std::sin(2 * std::numbers::pi * 140.0 * h * t) / h;
            v *= std::abs(std::sin(2 * std::numbers::pi * 2.0 * t)) * 0.25;
        } else {
            seed = seed * 1664525u + 1013904223u;
            v = (static_cast<double>(seed >> 8) / (1 << 24) - 0.5) * 0.0035;
        }
        mono.push_back(v);
    }
    const auto toSamples = [&](double gain) {
        std::vector<std::int16_t> out;
        for (double v : mono) {
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v * gain, -1.0, 1.0) * 32767));
            out.insert(out.end(), {s, s});
        }
        return out;
    };
    // Scaled by what the meter says of it, so that the recording is at `lufs` by the same measure.
    const std::optional<Loudness> unscaled = MeasureLoudness(toSamples(1.0), kSpeechRate, 2);
    EXPECT_TRUE(unscaled.has_value());
    return toSamples(std::pow(10.0, (lufs - (unscaled ? unscaled->integrated : 0.0)) / 20.0));
}

TEST_F(MpvSound, QuietAndLoudRecordingsComeOutAtOneLoudnessWithoutPumpingThePauses) {
    constexpr double kTarget = -16.0;
    std::vector<Loudness> evened;
    for (const double recorded : {-30.0, -14.0}) {
        SCOPED_TRACE(recorded);
        const QString file =
            Write(QStringLiteral("speech%1.wav").arg(-recorded), Speech(recorded), kSpeechRate, 2);

        const std::optional<Loudness> off = MeasureLoudness(Play(file, {}), kSpeechRate, 2);
        ASSERT_TRUE(off);
        EXPECT_NEAR(off->integrated, recorded, 0.5) << "changed with the option off";
        std::printf("recording at %.1f LUFS: off %.1f LUFS, %.1f dBTP\n", recorded, off->integrated,
                    off->truePeak);

        const std::vector<std::int16_t> heard = Play(file, {.evenLoudness = true});
        const std::optional<Loudness> on = MeasureLoudness(heard, kSpeechRate, 2);
        ASSERT_TRUE(on);
        std::printf("recording at %.1f LUFS: on %.1f LUFS, %.1f dBTP\n", recorded, on->integrated,
                    on->truePeak);
        EXPECT_NEAR(on->integrated, kTarget, 2.0);
        EXPECT_LE(on->truePeak, -1.0);
        // The second sentence against the middle of the pause after it.
        const double speech = LevelDb(heard, kSpeechRate, 2, 5.3, 6.7);
        const double pause = LevelDb(heard, kSpeechRate, 2, 7.5, 9.5);
        std::printf("speech %.1f dBFS, pause %.1f dBFS\n", speech, pause);
        EXPECT_GE(speech - pause, 30.0) << "the pause rose towards the speech";
        // The first sentence is lifted with the rest, not faded in.
        EXPECT_NEAR(LevelDb(heard, kSpeechRate, 2, 0.3, 1.7), speech, 2.0);
        evened.push_back(*on);
    }
    ASSERT_EQ(evened.size(), 2u);
    EXPECT_NEAR(evened[0].integrated, evened[1].integrated, 2.0);

    // The player's volume acts after the evening, which would otherwise undo it.
    const std::optional<Loudness> lowered = MeasureLoudness(
        Play(FDir.filePath(QStringLiteral("speech14.wav")), {.evenLoudness = true}, 1.0, 50), kSpeechRate, 2);
    ASSERT_TRUE(lowered);
    EXPECT_LT(lowered->integrated, evened[1].integrated - 10.0) << "the volume was evened out";
}

// ---- Mono

TEST_F(MpvSound, MonoCarriesTheMixOfBothChannelsOnEach) {
    constexpr int kRate = 8000;
    std::vector<std::int16_t> leftOnly;
    for (int i = 0; i < 2 * kRate; ++i) {
        const auto s = static_cast<std::int16_t>(
            std::lround(0.3 * 32767 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate)));
        leftOnly.insert(leftOnly.end(), {s, 0});
    }
    const QString file = Write(QStringLiteral("left.wav"), leftOnly, kRate, 2);
    const double written = LevelDb(leftOnly, kRate, 2, 0.5, 1.5) + 3.0; // the left channel's own level

    const std::vector<std::int16_t> off = Play(file, {});
    EXPECT_LT(LevelDb(Channel(off, 1), kRate, 1, 0.5, 1.5), written - 60.0)
        << "the right channel was not silent";

    const std::vector<std::int16_t> on = Play(file, {.mono = true});
    const double left = LevelDb(Channel(on, 0), kRate, 1, 0.5, 1.5);
    const double right = LevelDb(Channel(on, 1), kRate, 1, 0.5, 1.5);
    std::printf("tone on the left at %.1f dBFS; with mono: left %.1f dBFS, right %.1f dBFS\n", written, left,
                right);
    EXPECT_NEAR(left, right, 1.0);
    // The mix halves one side's sound: 6 dB down, not lost.
    EXPECT_NEAR(left, written - 6.0, 1.0);

    // A mono recording comes out the same on both sides as well.
    std::vector<std::int16_t> single;
    for (std::size_t i = 0; i < leftOnly.size(); i += 2)
        single.push_back(leftOnly[i]);
    const std::vector<std::int16_t> both =
        Play(Write(QStringLiteral("single.wav"), single, kRate, 1), {.mono = true});
    EXPECT_NEAR(LevelDb(Channel(both, 0), kRate, 1, 0.5, 1.5), LevelDb(Channel(both, 1), kRate, 1, 0.5, 1.5),
                1.0);
}

// ---- Shorter silences

constexpr int kSentenceRate = 8000;
constexpr double kSentence = 2.0;
constexpr double kPause = 3.0;

/// Five sentences of 2 s, each a tone of its own (300, 400 ... 700 Hz) and each followed by 3 s
/// of digital silence: 25 s.
std::vector<std::int16_t> Sentences() {
    std::vector<std::int16_t> out;
    for (int k = 0; k < 5; ++k) {
        const double frequency = 300.0 + 100.0 * k;
        for (int i = 0; i < static_cast<int>(kSentence * kSentenceRate); ++i)
            out.push_back(static_cast<std::int16_t>(
                std::lround(0.3 * 32767 * std::sin(2 * std::numbers::pi * frequency * i / kSentenceRate))));
        out.insert(out.end(), static_cast<std::size_t>(kPause * kSentenceRate), 0);
    }
    return out;
}

TEST_F(MpvSound, SilencesArePassedOverWhileSpeechAndPositionsStayWhole) {
    const QString file = Write(QStringLiteral("sentences.wav"), Sentences(), kSentenceRate, 1);
    std::vector<Silence> passedOver;
    const std::vector<double> places = PlayInRealTime(file, {.shortSilences = true}, nullptr, &passedOver);
    ASSERT_FALSE(places.empty());

    // At normal speed what is not passed over is heard for its own length.
    double skipped = 0.0;
    for (const Silence& s : passedOver)
        skipped += s.end - s.begin;
    const double played = 25.0 - skipped;
    std::printf("25-s file played in %.2f s (%zu silences passed over); last position read %.2f s\n", played,
                passedOver.size(), places.back());
    EXPECT_LE(played, 15.0);
    // In the recording's own time: the last silence, long after the 15 s played (mpv's last report
    // before the end may come before the last seek).
    EXPECT_GE(places.back(), 22.0);
    for (std::size_t i = 1; i < places.size(); ++i)
        ASSERT_GE(places[i], places[i - 1] - 0.05) << "the position went back";

    // Each stretch passed over lies in one silence, past its first moments (a seek may come from
    // 0.4 s in, as mpv's reports of the position come 0.1 to 0.2 s apart) and short of the sentence
    // after it: no sentence is cut.
    EXPECT_EQ(passedOver.size(), 5u);
    for (const Silence& s : passedOver) {
        SCOPED_TRACE(s.begin);
        const double silenceStart = 5.0 * std::floor(s.begin / 5.0) + kSentence;
        EXPECT_GE(s.begin, silenceStart + 0.4);
        EXPECT_LE(s.end, silenceStart + kPause - 0.1);
        // The position shows the stretch passed over: no reading inside it.
        EXPECT_FALSE(std::any_of(places.begin(), places.end(),
                                 [&](double p) { return p > s.begin + 0.2 && p < s.end - 0.2; }));
    }

    // A place the position showed in the fourth sentence is the fourth sentence with the option off,
    // as a bookmark set there would be.
    const auto inFourth =
        std::find_if(places.begin(), places.end(), [](double p) { return p > 15.4 && p < 16.4; });
    ASSERT_NE(inFourth, places.end());
    const QString output = FDir.filePath("bookmark.raw");
    {
        MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
        StateLog log(c);
        c.SetUrl(file);
        c.SetCurrentPosition(*inFourth);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    }
    const std::vector<std::int16_t> fromBookmark = ReadRawSamples(output);
    ASSERT_GE(fromBookmark.size(), static_cast<std::size_t>(kSentenceRate / 2));
    EXPECT_NEAR(Frequency({fromBookmark.begin(), fromBookmark.begin() + kSentenceRate / 2}, kSentenceRate),
                600.0, 5.0);
}

// ---- With the rest of playback

TEST_F(MpvSound, AllThreeKeepSpeedAndPitchAtTheEndsOfTheRange) {
    constexpr int kRate = 8000;
    for (const double speed : {0.5, 5.0}) {
        SCOPED_TRACE(speed);
        const std::vector<std::int16_t> heard = Play(Tone(QStringLiteral("tone.wav"), 4.0), kAllOn, speed);
        const std::vector<std::int16_t> left = Channel(heard, 0);
        const double seconds = static_cast<double>(left.size()) / kRate;
        EXPECT_NEAR(seconds, 4.0 / speed, 0.1 * 4.0 / speed) << "played at another speed";
        const auto quarter = static_cast<std::ptrdiff_t>(left.size() / 4);
        EXPECT_NEAR(Frequency({left.begin() + quarter, left.end() - quarter}, kRate), 440.0, 9.0)
            << "the pitch moved";
        EXPECT_NEAR(LevelDb(Channel(heard, 0), kRate, 1, seconds / 4, seconds * 3 / 4),
                    LevelDb(Channel(heard, 1), kRate, 1, seconds / 4, seconds * 3 / 4), 1.0);
    }
}

TEST_F(MpvSound, FilesFollowOnOneOpenOutputWithAllThreeOn) {
    // In real time, as a listener hears them: the output opens once for both files.
    const QString first = Tone(QStringLiteral("a.wav"), 1.0), second = Tone(QStringLiteral("b.wav"), 1.0);
    auto c = RealTime();
    c->SetSound(kAllOn);
    StateLog log(*c);
    bool secondSet = false;
    QObject::connect(c.get(), &MediaControl::PlayStateChange, c.get(), [&](int state) {
        if (state != psMediaEnded || secondSet)
            return;
        secondSet = true;
        // Posted, as the window advances outside the control's event.
        QMetaObject::invokeMethod(
            c.get(),
            [&] {
                c->SetUrl(second);
                c->SetNextUrl(QString(), 0.0);
            },
            Qt::QueuedConnection);
    });
    c->SetUrl(first);
    c->SetNextUrl(second, 0.0);
    ASSERT_TRUE(WaitUntil([&] { return secondSet && log.Count(psStopped) == 2; }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped,
                                              psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_EQ(c->AudioOutputOpenings(), 1) << "the output was opened again between the files";
}

TEST_F(MpvSound, ChangingTheSoundWhilePlayingKeepsThePlace) {
    const QString tone = Tone(QStringLiteral("tone.wav"), 3.0);
    bool changed = false;
    const std::vector<double> places = PlayInRealTime(tone, {}, [&](MpvMediaControl& c) {
        if (!changed && c.CurrentPosition() > 1.0) {
            c.SetSound(kAllOn);
            changed = true;
        }
    });
    EXPECT_TRUE(changed);
    ASSERT_FALSE(places.empty());
    for (std::size_t i = 1; i < places.size(); ++i)
        ASSERT_GE(places[i], places[i - 1] - 0.05) << "the position went back when the filters changed";
    // mpv reports its last position a moment before the end it reaches.
    EXPECT_GE(places.back(), 2.0);

    // Changed in the middle of a stereo tone: nothing of it is lost or heard twice.
    constexpr int kRate = 8000;
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < 3 * kRate; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(0.3 * 32767 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate)));
        stereo.insert(stereo.end(), {v, v});
    }
    const QString both = Write(QStringLiteral("stereo.wav"), stereo, kRate, 2);
    const QString output = FDir.filePath(QStringLiteral("changed.raw"));
    {
        MpvMediaControl c(MpvMediaControl::Options{"pcm", true, output});
        StateLog log(c);
        c.SetUrl(both);
        c.Pause(); // decoding runs far ahead otherwise: opened paused, the change comes in the middle
        c.SetCurrentPosition(1.5);
        ASSERT_TRUE(Reaches(c, psPaused));
        c.SetSound(kAllOn);
        c.Play();
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    }
    const std::vector<Burst> bursts = Bursts(Channel(ReadRawSamples(output), 0), kRate);
    double total = 0.0;
    for (const Burst& b : bursts)
        total += b.seconds;
    EXPECT_NEAR(total, 1.5, 0.05);
}

} // namespace
