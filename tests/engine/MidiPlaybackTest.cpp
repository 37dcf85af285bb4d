// MIDI files through the real libmpv control: played by the synthesiser like any other file.
#include "engine/MpvMediaControl.h"
#include "formats/MidiSynth.h"

#include "MidiWriter.h"
#include "MpvTestSupport.h"
#include "util/FileNameCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Bounds a hang only; a first soundfont load happens in here.
constexpr int kMidiDeadlineMs = 15000;

bool WaitLong(const std::function<bool()>& done) {
    return WaitUntil(done, kMidiDeadlineMs);
}

/// Three seconds at 120 beats a minute: four notes, then a rest up to the end of the track.
QByteArray ThreeSecondTune() {
    std::vector<MidiNote> notes;
    for (int i = 0; i < 4; ++i)
        notes.push_back({static_cast<std::uint32_t>(i * 240), 200, 60 + 2 * i, 100, 0});
    return MidiTuneBytes(notes, 480, 500000, 6 * 480);
}

class MidiPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        if (InstalledSoundfont().empty())
            GTEST_SKIP() << "no General MIDI soundfont installed";
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = FDir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(WriteBytes(path, bytes)) << path.toStdString();
        return path;
    }

    static std::unique_ptr<MpvMediaControl> Control(bool untimed) {
        return std::make_unique<MpvMediaControl>(MpvMediaControl::Options{"null", untimed});
    }

    QTemporaryDir FDir;
};

TEST_F(MidiPlaybackTest, PlaysSeeksAndEndsWithItsOwnLengthAndName) {
    const QString path = Write("tune.mid", ThreeSecondTune());
    auto c = Control(false);
    StateLog log(*c);
    c->SetUrl(path);
    ASSERT_TRUE(WaitLong([&] { return c->PlayState() == psPlaying && c->MediaDuration() > 0.0; }));
    EXPECT_NEAR(c->MediaDuration(), 3.0, 0.01);
    EXPECT_EQ(c->MediaName(), "tune.mid");
    c->SetCurrentPosition(2.0);
    ASSERT_TRUE(WaitLong([&] { return c->CurrentPosition() > 2.05; }));
    EXPECT_LT(c->CurrentPosition(), 2.9);
    ASSERT_TRUE(WaitLong([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_FALSE(c->EndedByFailure());
    EXPECT_EQ(c->MediaName(), "tune.mid");
}

TEST_F(MidiPlaybackTest, RmiAndOddNamesPlayToTheirEnd) {
    // The three-second tune four times as fast: played in real time, as decoding at full speed can
    // end a file before mpv has told its length.
    std::vector<MidiNote> notes;
    for (int i = 0; i < 4; ++i)
        notes.push_back({static_cast<std::uint32_t>(i * 240), 200, 60 + 2 * i, 100, 0});
    const QByteArray tune = MidiTuneBytes(notes, 480, 125000, 6 * 480);
    const QString paths[] = {
        Write("wrapped.rmi", RmidBytes(tune)),
        Write("UPPER CASE.MIDI", tune),
        // Characters an address would read as escapes, a query or a fragment.
        Write("50%25 off #2 ?.mid", tune),
    };
    auto c = Control(false);
    for (const QString& path : paths) {
        StateLog log(*c);
        c->SetUrl(path);
        ASSERT_TRUE(WaitLong([&] { return log.Saw(psStopped); })) << path.toStdString();
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}))
            << path.toStdString();
        EXPECT_FALSE(c->EndedByFailure()) << path.toStdString();
        EXPECT_NEAR(c->MediaDuration(), 0.75, 0.01) << path.toStdString();
    }
}

TEST_F(MidiPlaybackTest, NameThatIsNotUtf8Plays) {
    const QString plain = Write("plain.mid", ThreeSecondTune());
    const QByteArray bytes = QFile::encodeName(FDir.path()) + "/caf\xe9.mid";
    ASSERT_EQ(std::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
    auto c = Control(true);
    StateLog log(*c);
    c->SetUrl(DecodeFileName(bytes));
    ASSERT_TRUE(WaitLong([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    std::remove(bytes.constData()); // QTemporaryDir cannot remove a name it cannot decode
}

TEST_F(MidiPlaybackTest, MalformedOrMissingMidiPlaysNothingAndEndsAsAFailure) {
    QByteArray absurdChunk = ThreeSecondTune();
    absurdChunk.replace(18, 4, "\xFF\xFF\xFF\xF0", 4); // the track's length
    // 36 bytes: a tempo, then a meta event claiming 32 MiB of a 14-byte track.
    const QByteArray shortHostile = QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0\x0E", 22) +
                                    QByteArray("\0\xFF\x51\x03\x07\xA1\x20\0\xFF\x7F\x8F\xFF\xFF\x7F", 14);
    ASSERT_EQ(shortHostile.size(), 36);
    const QString paths[] = {
        Write("absurd.mid", absurdChunk),
        Write("short.mid", shortHostile),
        Write("text.midi", "not a song at all\n"),
        Write("empty.rmi", QByteArray()),
        FDir.path() + "/missing.mid",
    };
    auto c = Control(true);
    for (const QString& path : paths) {
        StateLog log(*c);
        c->SetUrl(path);
        ASSERT_TRUE(WaitLong([&] { return log.Saw(psStopped); })) << path.toStdString();
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psMediaEnded, psStopped}))
            << path.toStdString();
        EXPECT_TRUE(c->EndedByFailure()) << path.toStdString();
    }
}

} // namespace

namespace {

QByteArray Le32(std::uint32_t value) {
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray Be32(std::uint32_t value) {
    QByteArray out;
    for (int i = 3; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

/// The RIFF wrapper around `midi` with the chunks given before and after its data chunk; the RIFF
/// length is the true one.
QByteArray Rmid(const QByteArray& chunksBefore, const QByteArray& midi, const QByteArray& chunksAfter) {
    const QByteArray body = "RMID" + chunksBefore + "data" + Le32(static_cast<std::uint32_t>(midi.size())) +
                            midi + (midi.size() % 2 ? QByteArray(1, '\0') : QByteArray()) + chunksAfter;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

struct LyingFile {
    const char* name;
    QByteArray bytes;
};

/// Each file states one chunk length larger than what it holds: the first chunk, the last one, or
/// the whole file.
std::vector<LyingFile> LyingFiles() {
    const QByteArray tune = ThreeSecondTune();
    const QByteArray info = "LIST" + Le32(4) + "INFO";
    const QByteArray lyingInfo = "LIST" + Le32(0x7FFFFFF0) + "INFO";
    // Two tracks, so that the first and the last track chunk differ.
    const QByteArray track = tune.mid(14);
    QByteArray twoTracks = tune.left(14) + track + track;
    twoTracks[9] = 1; // format 1: tracks played together
    twoTracks[11] = 2;
    QByteArray lyingFirstTrack = twoTracks;
    lyingFirstTrack.replace(18, 4, Be32(0x7FFFFFF0));
    QByteArray lyingLastTrack = twoTracks;
    lyingLastTrack.replace(14 + track.size() + 4, 4, Be32(static_cast<std::uint32_t>(track.size() + 1000)));
    QByteArray lyingHeader = tune;
    lyingHeader.replace(4, 4, Be32(0x7FFFFFF0));
    QByteArray riffBeyond = Rmid(info, tune, {});
    riffBeyond.replace(4, 4, Le32(static_cast<std::uint32_t>(riffBeyond.size())));
    return {
        {"first-riff-chunk.rmi", Rmid(lyingInfo, tune, {})},
        {"last-riff-chunk.rmi", Rmid(info, tune, lyingInfo)},
        {"riff-beyond-the-file.rmi", riffBeyond},
        {"first-midi-chunk.mid", lyingHeader},
        {"first-track-chunk.mid", lyingFirstTrack},
        {"last-track-chunk.mid", lyingLastTrack},
    };
}

/// Plays `list` as the window does: each file set once the one before has ended, the one after it
/// hinted; records the states and, at each end, whether it was a failure.
class ListPlay {
public:
    ListPlay(MediaControl& control, QStringList list) : c(control), files(std::move(list)) {
        connection = QObject::connect(&c, &MediaControl::PlayStateChange, &c, [this](int state) {
            states.push_back(state);
            if (state != psMediaEnded)
                return;
            failures.push_back(c.EndedByFailure());
            QMetaObject::invokeMethod(
                &c, [this] { PlayAt(failures.size()); }, Qt::QueuedConnection);
        });
        PlayAt(0);
    }
    ~ListPlay() { QObject::disconnect(connection); }
    bool Finished() const { return failures.size() == static_cast<std::size_t>(files.size()); }

    std::vector<int> states;
    std::vector<bool> failures;

private:
    void PlayAt(std::size_t index) {
        if (index >= static_cast<std::size_t>(files.size()))
            return;
        c.SetUrl(files[static_cast<qsizetype>(index)]);
        if (index + 1 < static_cast<std::size_t>(files.size()))
            c.SetNextUrl(files[static_cast<qsizetype>(index + 1)], 0.0);
    }

    MediaControl& c;
    QStringList files;
    QMetaObject::Connection connection;
};

TEST_F(MidiPlaybackTest, AChunkLengthThatLiesFailsTheFileAndTheListMovesOn) {
    const QString before = Write("before.mid", ThreeSecondTune());
    const QString after = Write("after.mid", ThreeSecondTune());
    const std::vector<int> played{psTransitioning, psPlaying, psMediaEnded, psStopped};
    const std::vector<int> failed{psTransitioning, psMediaEnded, psStopped};
    auto c = Control(true);
    for (const LyingFile& lying : LyingFiles()) {
        const QString path = Write(QString::fromLatin1(lying.name), lying.bytes);
        // Set first, and prepared while the file before it plays.
        for (const QStringList& list : {QStringList{path, after}, QStringList{before, path, after}}) {
            ListPlay play(*c, list);
            ASSERT_TRUE(WaitLong([&] { return play.Finished(); })) << lying.name;
            std::vector<bool> failures(static_cast<std::size_t>(list.size()), false);
            failures[static_cast<std::size_t>(list.indexOf(path))] = true;
            EXPECT_EQ(play.failures, failures) << lying.name;
            std::vector<int> states = list.size() == 3 ? played : std::vector<int>{};
            states.insert(states.end(), failed.begin(), failed.end());
            states.insert(states.end(), played.begin(), played.end());
            EXPECT_EQ(play.states, states) << lying.name;
            c->Close();
        }
    }
}

} // namespace
