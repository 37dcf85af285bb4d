#include "formats/Mp3SeekKind.h"

#include "SilentMp3.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

/// A frame header with the given fields, padded with zeros to `size` bytes.
QByteArray Header(unsigned version, unsigned layer, unsigned bitrate, unsigned rate, bool mono,
                  int size = 200) {
    QByteArray b(size, '\0');
    b[0] = char(0xFF);
    b[1] = char(0xE0 | (version << 3) | (layer << 1) | 1);
    b[2] = char((bitrate << 4) | (rate << 2));
    b[3] = char(mono ? 0xC0 : 0x00);
    return b;
}

QByteArray With(QByteArray frame, int at, const char* name) {
    frame.replace(at, 4, QByteArray(name, 4));
    return frame;
}

struct FrameCase {
    std::string name;
    QByteArray bytes;
    Mp3SeekKind expected;
};

class Mp3FrameKinds : public testing::TestWithParam<FrameCase> {};

TEST_P(Mp3FrameKinds, TagDecidesTheKind) {
    EXPECT_EQ(ClassifyMp3Frame(GetParam().bytes), GetParam().expected);
}

const QByteArray kMpeg1Stereo = Header(3, 1, 9, 0, false);
const QByteArray kMpeg1Mono = Header(3, 1, 9, 0, true);
const QByteArray kMpeg2Stereo = Header(2, 1, 8, 0, false);
const QByteArray kMpeg2Mono = Header(2, 1, 8, 0, true);
const QByteArray kMpeg25Mono = Header(0, 1, 8, 0, true);

INSTANTIATE_TEST_SUITE_P(
    HandBuiltFrames, Mp3FrameKinds,
    testing::Values(
        FrameCase{"InfoMpeg1Stereo", With(kMpeg1Stereo, 36, "Info"), Mp3SeekKind::Constant},
        FrameCase{"InfoMpeg1Mono", With(kMpeg1Mono, 21, "Info"), Mp3SeekKind::Constant},
        FrameCase{"InfoMpeg2Stereo", With(kMpeg2Stereo, 21, "Info"), Mp3SeekKind::Constant},
        FrameCase{"InfoMpeg2Mono", With(kMpeg2Mono, 13, "Info"), Mp3SeekKind::Constant},
        FrameCase{"InfoMpeg25Mono", With(kMpeg25Mono, 13, "Info"), Mp3SeekKind::Constant},
        FrameCase{"XingMpeg1Stereo", With(kMpeg1Stereo, 36, "Xing"), Mp3SeekKind::Variable},
        FrameCase{"XingMpeg2Mono", With(kMpeg2Mono, 13, "Xing"), Mp3SeekKind::Variable},
        FrameCase{"VbriMpeg1Stereo", With(kMpeg1Stereo, 36, "VBRI"), Mp3SeekKind::Variable},
        FrameCase{"VbriMpeg1Mono", With(kMpeg1Mono, 36, "VBRI"), Mp3SeekKind::Variable},
        // A tag where another channel mode would put it is no tag of this frame.
        FrameCase{"InfoAtTheStereoPlaceOfAMonoFrame", With(kMpeg1Mono, 36, "Info"), Mp3SeekKind::Untagged},
        FrameCase{"InfoAtTheMpeg1PlaceOfAnMpeg2Frame", With(kMpeg2Stereo, 36, "Info"), Mp3SeekKind::Untagged},
        FrameCase{"NoTag", kMpeg1Stereo, Mp3SeekKind::Untagged},
        FrameCase{"InfoCutShort", With(kMpeg1Stereo, 36, "Info").left(38), Mp3SeekKind::Untagged},
        FrameCase{"LayerTwo", With(Header(3, 2, 9, 0, false), 36, "Info"), Mp3SeekKind::NotMp3},
        FrameCase{"ReservedVersion", With(Header(1, 1, 9, 0, false), 36, "Info"), Mp3SeekKind::NotMp3},
        FrameCase{"FreeBitrate", With(Header(3, 1, 0, 0, false), 36, "Info"), Mp3SeekKind::NotMp3},
        FrameCase{"BadBitrate", With(Header(3, 1, 15, 0, false), 36, "Info"), Mp3SeekKind::NotMp3},
        FrameCase{"ReservedSampleRate", With(Header(3, 1, 9, 3, false), 36, "Info"), Mp3SeekKind::NotMp3},
        FrameCase{"Wave", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16), Mp3SeekKind::NotMp3},
        FrameCase{"Empty", QByteArray(), Mp3SeekKind::NotMp3},
        FrameCase{"GeneratedInfo", Mp3TagFrame(Mp3Tag::Info, 10, 1056), Mp3SeekKind::Constant},
        FrameCase{"GeneratedXing", Mp3TagFrame(Mp3Tag::Xing, 10, 1056), Mp3SeekKind::Variable}),
    [](const testing::TestParamInfo<FrameCase>& info) { return info.param.name; });

TEST(Id3v2Length, CountsHeaderBodyAndFooter) {
    const QByteArray plain("ID3\x04\x00\x00\x00\x00\x02\x01", 10); // 257 bytes of body
    EXPECT_EQ(Id3v2Length(plain), 10 + 257);
    const QByteArray footer("ID3\x04\x00\x10\x00\x00\x00\x05", 10);
    EXPECT_EQ(Id3v2Length(footer), 10 + 5 + 10);
    const QByteArray big("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10);
    EXPECT_EQ(Id3v2Length(big), 10 + 0x0FFFFFFF);
    EXPECT_EQ(Id3v2Length(QByteArray("ID3\x04\x00\x00\x00\x00\x80\x01", 10)), 0)
        << "a size byte with its high bit";
    EXPECT_EQ(Id3v2Length(QByteArray("ID3\x04\x00", 5)), 0);
    EXPECT_EQ(Id3v2Length(SilentMp3Frame()), 0);
}

class Mp3Files : public testing::Test {
protected:
    QByteArray Put(const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return QFile::encodeName(file.fileName());
    }
    QTemporaryDir dir;
};

TEST_F(Mp3Files, TheFirstFrameAfterAnId3TagIsRead) {
    const QByteArray id3("ID3\x04\x00\x00\x00\x00\x01\x00", 10); // 128 bytes of body
    const QByteArray info = Mp3TagFrame(Mp3Tag::Info, 1, 192) + SilentMp3Frame();
    EXPECT_EQ(ProbeMp3File(Put("tagged.mp3", id3 + QByteArray(128, '\0') + info)), Mp3SeekKind::Constant);
    EXPECT_EQ(ProbeMp3File(Put("plain.mp3", info)), Mp3SeekKind::Constant);
    EXPECT_EQ(ProbeMp3File(Put("vbr.mp3", Mp3TagFrame(Mp3Tag::Xing, 1, 192))), Mp3SeekKind::Variable);
    // A tag that claims more than the file holds leaves no frame to read.
    EXPECT_EQ(ProbeMp3File(Put("short.mp3", QByteArray("ID3\x04\x00\x00\x00\x01\x00\x00", 10) + info)),
              Mp3SeekKind::NotMp3);
    EXPECT_EQ(ProbeMp3File(QFile::encodeName(dir.filePath("missing.mp3"))), Mp3SeekKind::NotMp3);
}

TEST_F(Mp3Files, ASpecialFileIsNotReadAndDoesNotBlock) {
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.mp3"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(ProbeMp3File(fifo), Mp3SeekKind::NotMp3);
    EXPECT_EQ(ProbeMp3File("/dev/zero"), Mp3SeekKind::NotMp3);
    EXPECT_EQ(ProbeMp3File(QFile::encodeName(dir.path())), Mp3SeekKind::NotMp3);
}

} // namespace
