#include "formats/Mp3SeekKind.h"

#include "formats/MediaOpenRule.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kId3HeaderSize = 10;
// Enough for the largest offset of a tag (VBRI at 36) and its four-byte name.
constexpr int kFrameBytesNeeded = 40;

unsigned Byte(const QByteArray& b, int i) {
    return static_cast<unsigned char>(b.at(i));
}

/// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : FFd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (FFd >= 0)
            ::close(FFd);
    }
    int get() const { return FFd; }

private:
    int FFd;
};

QByteArray ReadAt(int fd, qint64 offset, int length) {
    QByteArray out(length, '\0');
    const ssize_t got = ::pread(fd, out.data(), static_cast<size_t>(length), static_cast<off_t>(offset));
    out.resize(got > 0 ? static_cast<int>(got) : 0);
    return out;
}

} // namespace

qint64 Id3v2Length(const QByteArray& head) {
    if (head.size() < kId3HeaderSize || !head.startsWith("ID3"))
        return 0;
    // The size is four 7-bit bytes; a set high bit means this is no ID3v2 header after all.
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (Byte(head, i) & 0x80)
            return 0;
        size = (size << 7) | Byte(head, i);
    }
    const bool footer = (Byte(head, 5) & 0x10) != 0;
    return kId3HeaderSize + size + (footer ? kId3HeaderSize : 0);
}

Mp3SeekKind ClassifyMp3Frame(const QByteArray& frame) {
    if (frame.size() < 4 || Byte(frame, 0) != 0xFF || (Byte(frame, 1) & 0xE0) != 0xE0)
        return Mp3SeekKind::NotMp3;
    const unsigned version = (Byte(frame, 1) >> 3) & 0x3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const unsigned layer = (Byte(frame, 1) >> 1) & 0x3;   // 1: Layer III
    const unsigned bitrate = Byte(frame, 2) >> 4;
    const unsigned sampleRate = (Byte(frame, 2) >> 2) & 0x3;
    const bool mono = (Byte(frame, 3) >> 6) == 0x3;
    if (version == 1 || layer != 1 || bitrate == 0 || bitrate == 0xF || sampleRate == 0x3)
        return Mp3SeekKind::NotMp3;
    // The Xing/Info tag sits right after the side information, whose size depends on both.
    const bool mpeg1 = version == 3;
    const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const int xingAt = 4 + sideInfo;
    const int vbriAt = 4 + 32;
    const auto nameAt = [&frame](int at) { return frame.size() >= at + 4 ? frame.mid(at, 4) : QByteArray(); };
    const QByteArray xing = nameAt(xingAt);
    if (xing == "Info")
        return Mp3SeekKind::Constant;
    if (xing == "Xing" || nameAt(vbriAt) == "VBRI")
        return Mp3SeekKind::Variable;
    return Mp3SeekKind::Untagged;
}

Mp3SeekKind ProbeMp3File(const QByteArray& path) {
    // By the open rule, so that a FIFO put in the file's place cannot hold the caller.
    const FileDescriptor fd(OpenRegularFile(path));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return Mp3SeekKind::NotMp3;
    const qint64 skip = Id3v2Length(ReadAt(fd.get(), 0, kId3HeaderSize));
    if (skip >= st.st_size)
        return Mp3SeekKind::NotMp3;
    return ClassifyMp3Frame(ReadAt(fd.get(), skip, kFrameBytesNeeded));
}
