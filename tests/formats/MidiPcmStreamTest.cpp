#include "formats/MidiPcmStream.h"

#include "formats/MidiSynth.h"

#include "MidiWriter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kRate = MidiSynth::kSampleRate;
constexpr std::uint32_t kTicksPerSecond = 960; // 480 ticks a beat at 120 beats a minute
constexpr int kAudible = 4;                    // above dither
// fluidsynth starts an event with its next block of 64 frames, and an attack takes a moment.
constexpr double kOnsetSlack = 0.006;

std::uint32_t Ticks(double seconds) {
    return static_cast<std::uint32_t>(std::lround(seconds * kTicksPerSecond));
}

class MidiPcmStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (InstalledSoundfont().empty())
            GTEST_SKIP() << "no General MIDI soundfont installed";
    }

    std::unique_ptr<MidiPcmStream> Open(const std::vector<MidiNote>& notes, std::uint32_t endTick) {
        const QString path = dir.filePath("song.mid");
        EXPECT_TRUE(WriteBytes(path, MidiTuneBytes(notes, 480, 500000, endTick)));
        return MidiPcmStream::Open(QFile::encodeName(path).toStdString(), pool);
    }

    /// Every sample from `fromByte` to the end of the stream, read in odd-sized pieces.
    static std::vector<std::int16_t> ReadAll(MidiPcmStream& stream, std::int64_t fromByte) {
        EXPECT_EQ(stream.Seek(fromByte), fromByte);
        std::vector<char> bytes;
        std::vector<char> piece(7001);
        for (;;) {
            const std::int64_t n = stream.Read(piece.data(), piece.size());
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), piece.begin(), piece.begin() + n);
        }
        EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), stream.Size() - fromByte);
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    /// Byte offset of the first frame at `seconds`, plus `extra` bytes into it.
    static std::int64_t ByteAt(double seconds, int extra = 0) {
        return MidiPcmStream::kHeaderBytes + std::llround(seconds * kRate) * MidiPcmStream::kFrameBytes +
               extra;
    }

    /// Seconds from `startSeconds` to the first audible sample of `samples`, or -1 for silence.
    static double FirstSound(const std::vector<std::int16_t>& samples, double startSeconds) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) > kAudible)
                return startSeconds + static_cast<double>(i / 2) / kRate;
        }
        return -1.0;
    }

    static bool Silent(const std::vector<std::int16_t>& samples, std::size_t fromFrame, std::size_t toFrame) {
        for (std::size_t i = 2 * fromFrame; i < 2 * toFrame && i < samples.size(); ++i) {
            if (std::abs(samples[i]) > kAudible)
                return false;
        }
        return true;
    }

    QTemporaryDir dir;
    MidiSynthPool pool{InstalledSoundfont(), 1h};
};

TEST_F(MidiPcmStreamTest, IsAWavFileAsLongAsTheSong) {
    auto stream = Open({{Ticks(0.5), Ticks(1.0), 60, 100, 0}}, Ticks(2.5));
    ASSERT_TRUE(stream);
    const std::int64_t frames = 2 * kRate + kRate / 2;
    EXPECT_EQ(stream->Frames(), frames);
    EXPECT_EQ(stream->Size(), 44 + frames * 4);
    char header[44];
    ASSERT_EQ(stream->Read(header, sizeof header), 44);
    EXPECT_EQ(std::memcmp(header, "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(header + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(std::memcmp(header + 36, "data", 4), 0);
    std::uint32_t dataBytes = 0, rate = 0;
    std::memcpy(&dataBytes, header + 40, 4);
    std::memcpy(&rate, header + 24, 4);
    EXPECT_EQ(dataBytes, frames * 4);
    EXPECT_EQ(rate, 44100u);
    // Past the end there is nothing, and a seek past it is refused.
    EXPECT_EQ(stream->Seek(stream->Size()), stream->Size());
    char byte = 0;
    EXPECT_EQ(stream->Read(&byte, 1), 0);
    EXPECT_EQ(stream->Seek(stream->Size() + 1), -1);
    EXPECT_EQ(stream->Seek(-1), -1);
}

TEST_F(MidiPcmStreamTest, NotesSoundWhereTheFileSays) {
    auto stream = Open({{Ticks(1.0), Ticks(0.5), 60, 100, 0}}, Ticks(3.0));
    ASSERT_TRUE(stream);
    const std::vector<std::int16_t> samples = ReadAll(*stream, 0);
    const std::vector<std::int16_t> pcm(samples.begin() + 22, samples.end()); // past the header
    EXPECT_NEAR(FirstSound(pcm, 0.0), 1.0 + kOnsetSlack / 2, kOnsetSlack / 2);
    EXPECT_TRUE(Silent(pcm, 0, kRate * 99 / 100));
}

TEST_F(MidiPcmStreamTest, SeekingAheadOfANoteStillPlaysItOnTime) {
    auto stream = Open({{Ticks(1.0), Ticks(0.5), 60, 100, 0}}, Ticks(3.0));
    ASSERT_TRUE(stream);
    // Two bytes into a frame, as a demuxer's byte seek may land.
    const std::int64_t from = ByteAt(0.5, 2);
    const std::vector<std::int16_t> samples = ReadAll(*stream, from);
    ASSERT_FALSE(samples.empty());
    const std::vector<std::int16_t> aligned(samples.begin() + 1, samples.end());
    EXPECT_NEAR(FirstSound(aligned, 0.5), 1.0 + kOnsetSlack / 2, kOnsetSlack / 2);
}

TEST_F(MidiPcmStreamTest, SeekingBackLeavesNoNoteOfThePlaceLeftSounding) {
    // A note held from 0.2 s to 5 s, read into the middle; then back to before the note.
    auto stream = Open({{Ticks(0.2), Ticks(4.8), 60, 127, 0}}, Ticks(6.0));
    ASSERT_TRUE(stream);
    std::vector<char> middle(4 * kRate);
    ASSERT_EQ(stream->Seek(ByteAt(0.0)), ByteAt(0.0));
    ASSERT_EQ(stream->Read(middle.data(), middle.size()), static_cast<std::int64_t>(middle.size()));
    const std::vector<std::int16_t> again = ReadAll(*stream, ByteAt(0.0));
    EXPECT_TRUE(Silent(again, 0, kRate / 10)) << "the note read before the seek still sounds";
    EXPECT_NEAR(FirstSound(again, 0.0), 0.2 + kOnsetSlack / 2, kOnsetSlack / 2);

    // And a seek into the held note does not start it again: the place is silent.
    const std::vector<std::int16_t> inside = ReadAll(*stream, ByteAt(3.0));
    EXPECT_TRUE(Silent(inside, 0, inside.size() / 2));
}

TEST_F(MidiPcmStreamTest, UnreadableOrMalformedFilesGiveNoStream) {
    EXPECT_FALSE(MidiPcmStream::Open(QFile::encodeName(dir.filePath("missing.mid")).toStdString(), pool));
    EXPECT_FALSE(MidiPcmStream::Open(QFile::encodeName(dir.path()).toStdString(), pool)); // a folder
    const QByteArray pipe = QFile::encodeName(dir.filePath("pipe.mid"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    EXPECT_FALSE(MidiPcmStream::Open(pipe.toStdString(), pool)); // and does not wait for a writer
    const QString text = dir.filePath("text.mid");
    ASSERT_TRUE(WriteBytes(text, "MThd but no more"));
    EXPECT_FALSE(MidiPcmStream::Open(QFile::encodeName(text).toStdString(), pool));
    EXPECT_EQ(pool.IdleCount(), 0) << "a refused file loaded a synthesiser";
}

TEST_F(MidiPcmStreamTest, ASynthesiserIsReusedThenFreedAfterItsIdleTime) {
    {
        auto first = Open({{0, 480, 60, 100, 0}}, 960);
        ASSERT_TRUE(first);
    }
    ASSERT_EQ(pool.IdleCount(), 1);
    {
        auto second = Open({{0, 480, 60, 100, 0}}, 960);
        ASSERT_TRUE(second);
        EXPECT_EQ(pool.IdleCount(), 0) << "the idle synthesiser was not taken";
    }
    EXPECT_EQ(pool.IdleCount(), 1);

    MidiSynthPool shortLived(InstalledSoundfont(), 50ms);
    const QString path = dir.filePath("song.mid");
    ASSERT_TRUE(MidiPcmStream::Open(QFile::encodeName(path).toStdString(), shortLived));
    QDeadlineTimer deadline(20000);
    while (shortLived.IdleCount() > 0 && !deadline.hasExpired())
        QTest::qWait(10);
    EXPECT_EQ(shortLived.IdleCount(), 0);
}

TEST_F(MidiPcmStreamTest, NoMoreSynthesisersThanTheBoundAtOnce) {
    // A metafile listing the same song many times opens it many times over.
    std::vector<std::unique_ptr<MidiPcmStream>> open;
    for (int i = 0; i < MidiSynthPool::kMaxSynths; ++i) {
        open.push_back(Open({{0, 480, 60, 100, 0}}, 960));
        ASSERT_TRUE(open.back()) << "stream " << i;
    }
    EXPECT_FALSE(Open({{0, 480, 60, 100, 0}}, 960));
    open.pop_back();
    EXPECT_TRUE(Open({{0, 480, 60, 100, 0}}, 960)) << "a synthesiser given back was not reused";
}

} // namespace
