#include "engine/MpvSilenceScanner.h"

#include "formats/MediaInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

namespace {

// Sound under -50 dBFS RMS over 10 ms counts as silence: room tone and the hiss of an old transfer
// stay under it, the softest speech does not.
constexpr double kSilentMeanSquare = 1e-5;
constexpr int kWindowsPerSecond = 100;
// Past the end the scan has reached, a place counts as covered for this long: playback moves on
// while the scan catches up, and a restart for every step would find nothing.
constexpr double kCoverSlack = 5.0;

struct DecoderCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

bool IsReadableFormat(int format) {
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(format))) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        return true;
    default:
        return false;
    }
}

// One sample as -1..1; the format was checked with IsReadableFormat.
double SampleValue(const AVFrame& frame, int channels, int channel, int index) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format);
    const std::uint8_t* data = frame.extended_data[planar ? channel : 0];
    const int at = planar ? index : index * channels + channel;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        return (data[at] - 128) / 128.0;
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const std::int16_t*>(data)[at] / 32768.0;
    case AV_SAMPLE_FMT_S32:
        return reinterpret_cast<const std::int32_t*>(data)[at] / 2147483648.0;
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(data)[at];
    default:
        return reinterpret_cast<const double*>(data)[at];
    }
}

} // namespace

/// Splits decoded sound into windows of 10 ms and finds the runs of silent ones.
class MpvSilenceScanner::Reading {
public:
    explicit Reading(int sampleRate)
        : FWindow(std::max(1, sampleRate / kWindowsPerSecond)), FRate(sampleRate) {}

    /// Where the next sample stands, in seconds of the file: set from the first frame's time.
    void PlaceAt(double seconds) {
        FStart = seconds;
        FPlaced = true;
        FSamples = 0;
    }
    bool Placed() const { return FPlaced; }
    double Now() const { return FStart + static_cast<double>(FSamples) / FRate; }

    /// Takes a frame; a silence that ended in it is returned (at most one per frame is enough:
    /// a frame is far shorter than the shortest silence kept).
    std::optional<Silence> Take(const AVFrame& frame) {
        std::optional<Silence> ended;
        const int channels = std::max(1, frame.ch_layout.nb_channels);
        for (int i = 0; i < frame.nb_samples; ++i) {
            for (int c = 0; c < channels; ++c) {
                const double value = SampleValue(frame, channels, c, i);
                FSum += value * value;
            }
            FCount += channels;
            ++FSamples;
            if (FCount < FWindow * channels)
                continue;
            const bool silent = FSum / FCount < kSilentMeanSquare;
            const double windowBegin = Now() - static_cast<double>(FWindow) / FRate;
            FSum = 0.0;
            FCount = 0;
            if (silent && !FInRun) {
                FRunBegin = windowBegin;
                FInRun = true;
            }
            if (!silent && FInRun) {
                if (auto found = Close(windowBegin))
                    ended = found;
            }
        }
        return ended;
    }
    /// The end of the file: a silence running up to it ends there.
    std::optional<Silence> Finish() { return FPlaced && FInRun ? Close(Now()) : std::nullopt; }

private:
    std::optional<Silence> Close(double end) {
        const double begin = FRunBegin;
        FInRun = false;
        if (end - begin < kShortestSilence)
            return std::nullopt;
        return Silence{begin, end};
    }

    int FWindow;
    int FRate;
    // Plain values with flags: GCC's optimiser takes an empty std::optional<double> for one read
    // uninitialised and fails the packaged build.
    double FStart = 0.0;
    bool FPlaced = false;
    std::int64_t FSamples = 0;
    double FSum = 0.0;
    int FCount = 0;
    double FRunBegin = 0.0; // where the run of silent windows under way began
    bool FInRun = false;
};

void MpvSilenceScanner::Start(const QByteArray& file, double from) {
    Stop();
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FSilences.clear();
        FFrom = from;
        FReached = from;
        FPlayhead = from;
        FStop = false;
        FDone = false;
    }
    FThread = std::thread([this, file, from] { Run(file, from); });
}

void MpvSilenceScanner::Stop() {
    if (!FThread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FStop = true;
    }
    FWake.notify_all();
    FThread.join();
}

void MpvSilenceScanner::Follow(double seconds) {
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FPlayhead = seconds;
    }
    FWake.notify_all();
}

bool MpvSilenceScanner::Covers(double seconds) const {
    const std::lock_guard<std::mutex> lock(FLock);
    return seconds >= FFrom && (FDone || seconds <= FReached + kCoverSlack);
}

std::optional<Silence> MpvSilenceScanner::SilenceAt(double seconds) const {
    const std::lock_guard<std::mutex> lock(FLock);
    const auto after =
        std::upper_bound(FSilences.begin(), FSilences.end(), seconds,
                         [](double value, const Silence& silence) { return value < silence.begin; });
    if (after == FSilences.begin())
        return std::nullopt;
    const Silence& found = *std::prev(after);
    if (seconds >= found.end)
        return std::nullopt;
    return found;
}

bool MpvSilenceScanner::Reached(double seconds, std::optional<Silence> found) {
    std::unique_lock<std::mutex> lock(FLock);
    FReached = std::max(FReached, seconds);
    // A scan started at a place inside a silence may find its tail again: kept once.
    if (found && (FSilences.empty() || found->begin >= FSilences.back().end))
        FSilences.push_back(*found);
    FWake.wait(lock, [this] { return FStop || FReached < FPlayhead + kScanAhead; });
    return !FStop;
}

void MpvSilenceScanner::Finished() {
    const std::lock_guard<std::mutex> lock(FLock);
    FDone = true;
}

void MpvSilenceScanner::Run(QByteArray file, double from) {
    const std::unique_ptr<TMediaInput> opened = TMediaInput::Open(file);
    if (!opened)
        return;
    AVFormatContext* const input = opened->Format();
    if (avformat_find_stream_info(input, nullptr) < 0)
        return;
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        return;
    const std::unique_ptr<AVCodecContext, DecoderCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0 || decoder->sample_rate <= 0)
        return;
    // mpv counts a file's time from its first sample, as the container's start time says.
    const double startTime =
        input->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(input->start_time) / AV_TIME_BASE;
    if (from > 0.0)
        av_seek_frame(input, -1, static_cast<std::int64_t>((from + startTime) * AV_TIME_BASE),
                      AVSEEK_FLAG_BACKWARD);
    const AVRational timeBase = input->streams[stream]->time_base;
    const std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame)
        return;
    Reading reading(decoder->sample_rate);

    // Each decoded frame goes through the windows; false once the scan must end.
    const auto drain = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (!IsReadableFormat(frame->format))
                return false; // a sample it cannot read must never pass for silence
            if (!reading.Placed()) {
                const std::int64_t pts = frame->best_effort_timestamp;
                reading.PlaceAt(pts == AV_NOPTS_VALUE ? from : pts * av_q2d(timeBase) - startTime);
            }
            const std::optional<Silence> found = reading.Take(*frame);
            av_frame_unref(frame.get());
            if (!Reached(reading.Now(), found))
                return false;
        }
        return true;
    };
    while (av_read_frame(input, packet.get()) >= 0) {
        const bool ours = packet->stream_index == stream;
        const bool sent = !ours || avcodec_send_packet(decoder.get(), packet.get()) >= 0;
        av_packet_unref(packet.get());
        if (!sent)
            continue; // a damaged packet: the decoder goes on with the next one
        if (ours && !drain())
            return;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    if (!drain())
        return;
    if (reading.Placed())
        Reached(reading.Now(), reading.Finish());
    Finished();
}
