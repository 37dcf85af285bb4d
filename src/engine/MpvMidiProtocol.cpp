#include "engine/MpvMidiProtocol.h"

#include "formats/MidiPcmStream.h"
#include "formats/MidiSynth.h"

#include <mpv/stream_cb.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kProtocol[] = "varnelmidi";
constexpr char kUrlPrefix[] = "varnelmidi://";

// mpv's C callbacks: nothing may unwind through libmpv, so whatever could throw is caught.
std::int64_t ReadCallback(void* cookie, char* buffer, std::uint64_t count) {
    try {
        return static_cast<MidiPcmStream*>(cookie)->Read(buffer, count);
    } catch (...) {
        return -1;
    }
}

std::int64_t SeekCallback(void* cookie, std::int64_t offset) {
    const std::int64_t landed = static_cast<MidiPcmStream*>(cookie)->Seek(offset);
    return landed < 0 ? std::int64_t{MPV_ERROR_GENERIC} : landed;
}

std::int64_t SizeCallback(void* cookie) {
    return static_cast<MidiPcmStream*>(cookie)->Size();
}

void CloseCallback(void* cookie) {
    delete static_cast<MidiPcmStream*>(cookie);
}

int OpenCallback(void* pool, char* uri, mpv_stream_cb_info* info) {
    // Runs on one of mpv's threads, so a first soundfont load never holds up the window.
    try {
        const std::string url(uri);
        if (url.rfind(kUrlPrefix, 0) != 0)
            return MPV_ERROR_LOADING_FAILED;
        std::unique_ptr<MidiPcmStream> stream =
            MidiPcmStream::Open(url.substr(std::strlen(kUrlPrefix)), *static_cast<MidiSynthPool*>(pool));
        if (!stream)
            return MPV_ERROR_LOADING_FAILED;
        info->cookie = stream.release();
        info->read_fn = &ReadCallback;
        info->seek_fn = &SeekCallback;
        info->size_fn = &SizeCallback;
        info->close_fn = &CloseCallback;
        info->cancel_fn = nullptr; // a read never blocks: it renders at most one chunk
        return 0;
    } catch (...) {
        return MPV_ERROR_LOADING_FAILED;
    }
}

} // namespace

QByteArray MidiStreamUrl(const QByteArray& absolutePath) {
    return QByteArray(kUrlPrefix) + absolutePath;
}

bool RegisterMidiProtocol(mpv_handle* mpv) {
    return mpv_stream_cb_add_ro(mpv, kProtocol, &MidiSynthPool::Shared(), &OpenCallback) >= 0;
}
