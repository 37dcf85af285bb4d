// What the sound options cost: the CPU the whole process uses while one MP3 plays in real time,
// with even loudness, mono and shorter silences all on, against none of them.
#include "engine/MpvMediaControl.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 120.0;
constexpr double kMeasured = 20.0; // seconds of playing measured for each of the two
constexpr double kGoalRatio = 1.5;

/// A voice-like sound in sentences of 3 s with pauses of 1.5 s between them, encoded as a stereo
/// MP3 of 128 kb/s; false when no MP3 encoder is at hand.
bool WriteSpeechMp3(const QString& path) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP3);
    if (!codec)
        return false;
    AVCodecContext* encoder = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    QFile file(path);
    bool ok = encoder && frame && packet && file.open(QIODevice::WriteOnly);
    if (ok) {
        encoder->sample_rate = kRate;
        encoder->bit_rate = 128000;
        encoder->sample_fmt = AV_SAMPLE_FMT_NONE;
        // The encoder's first choice may be one this writer does not fill.
        for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_S16P)
                encoder->sample_fmt = *f;
        av_channel_layout_default(&encoder->ch_layout, 2);
        ok = encoder->sample_fmt != AV_SAMPLE_FMT_NONE && avcodec_open2(encoder, codec, nullptr) >= 0;
    }
    const auto drain = [&] {
        while (avcodec_receive_packet(encoder, packet) >= 0) {
            file.write(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet);
        }
    };
    const int total = static_cast<int>(kSeconds * kRate);
    for (int at = 0; ok && at < total; at += encoder->frame_size) {
        frame->format = encoder->sample_fmt;
        frame->sample_rate = kRate;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        frame->nb_samples = encoder->frame_size;
        frame->pts = at;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        for (int i = 0; ok && i < frame->nb_samples; ++i) {
            const double t = static_cast<double>(at + i) / kRate;
            double v = 0.0;
            if (std::fmod(t, 4.5) < 3.0) {
                for (int h = 1; h <= 6; ++h)
                    v += std::sin(2 * std::numbers::pi * 140.0 * h * t) / h;
                v *= std::abs(std::sin(2 * std::numbers::pi * 2.0 * t)) * 0.1;
            }
            for (int c = 0; c < 2; ++c) {
                if (encoder->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(frame->data[c])[i] = static_cast<float>(v);
                else if (encoder->sample_fmt == AV_SAMPLE_FMT_S16P)
                    reinterpret_cast<std::int16_t*>(frame->data[c])[i] = static_cast<std::int16_t>(v * 32767);
                else
                    ok = false;
            }
        }
        ok = ok && avcodec_send_frame(encoder, frame) >= 0;
        av_frame_unref(frame);
        if (ok)
            drain();
    }
    if (ok && avcodec_send_frame(encoder, nullptr) >= 0)
        drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&encoder);
    return ok;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/// The share of one core the process used over kMeasured seconds of playing `path` with `sound`,
/// after the first seconds of opening; a negative share when it did not play.
double CpuWhilePlaying(const QString& path, const SoundOptions& sound) {
    MpvMediaControl control(MpvMediaControl::Options{"null", false});
    control.SetSound(sound);
    control.SetUrl(path);
    QDeadlineTimer opening(10000);
    while (control.PlayState() != psPlaying || control.CurrentPosition() < 1.0) {
        if (opening.hasExpired())
            return -1.0;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double before = ProcessCpuSeconds();
    // Waiting in the event loop, not polling it, so that the figure is the player's own.
    QEventLoop waiting;
    QTimer::singleShot(static_cast<int>(kMeasured * 1000), &waiting, &QEventLoop::quit);
    waiting.exec();
    const double used = ProcessCpuSeconds() - before;
    return control.PlayState() == psPlaying ? used / kMeasured : -1.0;
}

// The CPU share with all three options on, and its ratio to none (goal: at most 1.5 times).
void BM_MpvSoundOptionsCpu(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("speech.mp3");
    if (!dir.isValid() || !WriteSpeechMp3(path)) {
        state.SkipWithError("no MP3 could be written");
        return;
    }
    for (auto _ : state) {
        const double none = CpuWhilePlaying(path, {});
        const double all = CpuWhilePlaying(path, {true, true, true});
        if (none <= 0.0 || all <= 0.0) {
            state.SkipWithError("the MP3 did not play");
            return;
        }
        const double ratio = all / none;
        state.SetIterationTime(all);
        state.counters["none_pct"] = none * 100;
        state.counters["all_pct"] = all * 100;
        state.counters["ratio"] = ratio;
        state.counters["goal_ratio"] = kGoalRatio;
        std::printf("    %-40s %.2f%% of a core with all three, %.2f%% with none: %.2fx, goal <= %.1fx: %s\n",
                    "BM_MpvSoundOptionsCpu", all * 100, none * 100, ratio, kGoalRatio,
                    ratio <= kGoalRatio ? "met" : "MISSED");
    }
}
BENCHMARK(BM_MpvSoundOptionsCpu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
