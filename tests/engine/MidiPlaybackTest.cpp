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
    const QByteArray tune = ThreeSecondTune();
    const QString paths[] = {
        Write("wrapped.rmi", RmidBytes(tune)),
        Write("UPPER CASE.MIDI", tune),
        // Characters an address would read as escapes, a query or a fragment.
        Write("50%25 off #2 ?.mid", tune),
    };
    auto c = Control(true);
    for (const QString& path : paths) {
        StateLog log(*c);
        c->SetUrl(path);
        ASSERT_TRUE(WaitLong([&] { return log.Saw(psStopped); })) << path.toStdString();
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}))
            << path.toStdString();
        EXPECT_FALSE(c->EndedByFailure()) << path.toStdString();
        EXPECT_NEAR(c->MediaDuration(), 3.0, 0.01) << path.toStdString();
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
