#include "formats/MediaInput.h"

#include "formats/MediaOpenRule.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

constexpr int kBufferBytes = 64 * 1024;

// A demuxer that asks for another file or address (a list's entries, a reference, a segment) is
// told no: the file read is the only one.
int RefuseFurtherOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

} // namespace

/// The descriptor libavformat reads the file through.
class TMediaInput::TReader {
public:
    explicit TReader(int fd) : FFd(fd) {}
    ~TReader() {
        if (FContext)
            av_freep(&FContext->buffer);
        avio_context_free(&FContext);
        ::close(FFd);
    }
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

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
        const ssize_t got = ::read(static_cast<TReader*>(opaque)->FFd, buffer, static_cast<size_t>(size));
        if (got < 0)
            return AVERROR(errno);
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        const int fd = static_cast<TReader*>(opaque)->FFd;
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

TMediaInput::TMediaInput(std::unique_ptr<TReader> reader) : FReader(std::move(reader)) {}

TMediaInput::~TMediaInput() {
    if (FFormat)
        avformat_close_input(&FFormat);
}

std::unique_ptr<TMediaInput> TMediaInput::Open(const QByteArray& file, std::int64_t probeBytes) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const int fd = OpenRegularFile(file);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<TMediaInput> input(new TMediaInput(std::make_unique<TReader>(fd)));
    AVIOContext* const io = input->FReader->Context();
    AVFormatContext* raw = io ? avformat_alloc_context() : nullptr;
    if (!raw)
        return nullptr;
    raw->pb = io;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->io_open = &RefuseFurtherOpen;
    AVDictionary* options = nullptr;
    if (probeBytes > 0)
        av_dict_set_int(&options, "probesize", probeBytes, 0);
    av_dict_set(&options, "protocol_whitelist", kMediaProtocols, 0);
    av_dict_set(&options, "format_whitelist", kMediaDemuxers, 0);
    // On failure libavformat frees the context itself.
    const int opened = avformat_open_input(&raw, file.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return nullptr;
    input->FFormat = raw;
    return input;
}
