#include "engine/MpvFileOptions.h"

#include "formats/Mp3SeekKind.h"

namespace {

// Replaces the whole list for that file, so the local-only rule is repeated. "usetoc" would take
// the coarse table of contents instead of the byte offset, so it stays off.
constexpr char kLocalOnlyFastSeek[] = "protocol_whitelist=file,fflags=+fastseek,usetoc=0";

} // namespace

MpvFileOptions PerFileOptions(const QByteArray& file, double start) {
    MpvFileOptions options;
    if (start > 0.0)
        options.emplace_back("start", QByteArray::number(start, 'f', 6));
    if (ProbeMp3File(file) == Mp3SeekKind::Constant)
        options.emplace_back("demuxer-lavf-o", kLocalOnlyFastSeek);
    return options;
}
