#include "formats/MediaLength.h"

#include "formats/MediaOpenRule.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
constexpr int kBufferBytes = 64 * 1024;

/// The descriptor libavformat reads the file through, opened and checked by the open rule, so that
/// the file judged is the file read.
class FileReader {
public:
    explicit FileReader(int fd) : FFd(fd) {}
    ~FileReader() {
        if (FContext)
            av_freep(&FContext->buffer);
        avio_context_free(&FContext);
        ::close(FFd);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    /// The context over the file; null when no memory is left.
    AVIOContext* Context() {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
        if (!buffer)
            return nullptr;
        FContext = avio_alloc_context(buffer, kBufferBytes, 0, this, &Read, nullptr, &Seek);
        if (!FContext)
            av_free(buffer);
        return FContext;
    }

private:
    static int Read(void* opaque, std::uint8_t* buffer, int size) {
        const ssize_t got = ::read(static_cast<FileReader*>(opaque)->FFd, buffer, static_cast<size_t>(size));
        if (got < 0)
            return AVERROR(errno);
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        const int fd = static_cast<FileReader*>(opaque)->FFd;
        if (whence & AVSEEK_SIZE) {
            struct stat st {};
            return ::fstat(fd, &st) == 0 ? st.st_size : AVERROR(errno);
        }
        const off_t landed = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
        return landed < 0 ? AVERROR(errno) : landed;
    }

    int FFd;
    AVIOContext* FContext = nullptr;
};

// A demuxer that asks for another file or address (a list's entries, a reference, a segment) is
// told no: the file measured is the only one read.
int RefuseFurtherOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

} // namespace

std::optional<double> ReadMediaLength(const QString& path) {
    // libavformat's own notes about odd files would land on the program's stderr.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    const QByteArray name = QFile::encodeName(path);
    const int fd = OpenRegularFile(name);
    if (fd < 0)
        return std::nullopt;
    FileReader file(fd);
    AVIOContext* const io = file.Context();
    AVFormatContext* raw = io ? avformat_alloc_context() : nullptr;
    if (!raw)
        return std::nullopt;
    raw->pb = io;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->io_open = &RefuseFurtherOpen;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "probesize", kProbeBytes, 0);
    av_dict_set(&options, "protocol_whitelist", kMediaProtocols, 0);
    av_dict_set(&options, "format_whitelist", kMediaDemuxers, 0);
    // On failure libavformat frees the context itself.
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
