#include "formats/MediaLength.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>
#include <mutex>

namespace {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

// Most containers state their length in the header; the stream probe, which reads packets, only
// runs for those that do not, and within a small budget so that a long list stays quick.
constexpr std::int64_t kProbeBytes = 256 * 1024;
constexpr std::int64_t kAnalyzeMicroseconds = 500 * 1000;

} // namespace

std::optional<double> ReadMediaLength(const QString& path) {
    // libavformat's own notes about odd files would land on the program's stderr.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    const QByteArray name = QFile::encodeName(path);
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "probesize", kProbeBytes, 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, name.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return std::nullopt;
    const Input input(raw);
    input->max_analyze_duration = kAnalyzeMicroseconds;
    if (input->duration <= 0 && avformat_find_stream_info(input.get(), nullptr) < 0)
        return std::nullopt;
    if (input->duration <= 0 || input->duration == AV_NOPTS_VALUE)
        return std::nullopt;
    return static_cast<double>(input->duration) / AV_TIME_BASE;
}
