#include "engine/MpvFileOptions.h"

#include "formats/MediaOpenRule.h"
#include "formats/Mp3SeekKind.h"

namespace {

// mpv reads a value in brackets whole, commas included.
QByteArray Bracketed(const char* list) {
    return '[' + QByteArray(list) + ']';
}

} // namespace

QByteArray MpvStreamOptions() {
    return "protocol_whitelist=" + Bracketed(kMediaProtocols);
}

QByteArray MpvDemuxerOptions() {
    return MpvStreamOptions() + ",format_whitelist=" + Bracketed(kMediaDemuxers);
}

MpvFileOptions PerFileOptions(const QByteArray& file, double start, std::optional<double> end) {
    MpvFileOptions options;
    if (start > 0.0)
        options.emplace_back("start", QByteArray::number(start, 'f', 6));
    if (end)
        options.emplace_back("end", QByteArray::number(*end, 'f', 6));
    // Replaces the whole list for that file, so the open rule is repeated. "usetoc" would take the
    // coarse table of contents instead of the byte offset, so it stays off.
    if (ProbeMp3File(file) == Mp3SeekKind::Constant)
        options.emplace_back("demuxer-lavf-o", MpvDemuxerOptions() + ",fflags=+fastseek,usetoc=0");
    return options;
}
