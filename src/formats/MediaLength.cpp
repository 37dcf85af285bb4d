#include "formats/MediaLength.h"

#include "formats/MediaInput.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>

namespace {

// Most containers state their length in the header; the stream probe, which reads packets, only
// runs for those that do not, and within a small budget so that a long list stays quick.
constexpr std::int64_t kProbeBytes = 256 * 1024;
constexpr std::int64_t kAnalyzeMicroseconds = 500 * 1000;

} // namespace

std::optional<double> ReadMediaLength(const QString& path) {
    const std::unique_ptr<TMediaInput> opened = TMediaInput::Open(QFile::encodeName(path), kProbeBytes);
    if (!opened)
        return std::nullopt;
    AVFormatContext* const input = opened->Format();
    input->max_analyze_duration = kAnalyzeMicroseconds;
    if (input->duration <= 0 && avformat_find_stream_info(input, nullptr) < 0)
        return std::nullopt;
    if (input->duration <= 0 || input->duration == AV_NOPTS_VALUE)
        return std::nullopt;
    return static_cast<double>(input->duration) / AV_TIME_BASE;
}
