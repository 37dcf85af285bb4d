#include "MpvTestSupport.h"

#include "WavWriter.h"
#include "util/FileNameCodec.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

TEST_F(MpvMediaControlTest, OpensThenPlaysThenEndsOnceAndStops) {
    const QString path = Tone("tone.wav", 0.5);
    auto c = RealTime();
    EXPECT_EQ(c->PlayState(), psUndefined);
    StateLog log(*c);
    c->SetUrl(path);
    EXPECT_EQ(c->PlayState(), psTransitioning);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    ASSERT_TRUE(WaitUntil([&] { return c->MediaDuration() > 0.0; }));
    EXPECT_NEAR(c->MediaDuration(), 0.5, 0.01);
    EXPECT_EQ(c->MediaName(), "tone.wav");
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_TRUE(log.GetterAgreedEveryTime());
    // The length and name stay readable after the end, as the status bar still shows them.
    EXPECT_NEAR(c->MediaDuration(), 0.5, 0.01);
    EXPECT_EQ(c->MediaName(), "tone.wav");
}

TEST_F(MpvMediaControlTest, PositionPutRightAfterOpenLandsThere) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    c->SetCurrentPosition(12.5);
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 12.5);
    // No read on the way may fall back to the start the file opened at.
    double lowest = 1e9;
    ASSERT_TRUE(WaitUntil([&] {
        lowest = std::min(lowest, c->CurrentPosition());
        return c->PlayState() == psPlaying && c->CurrentPosition() > 12.6;
    }));
    EXPECT_GE(lowest, 12.5);
    EXPECT_LT(c->CurrentPosition(), 14.5);
    EXPECT_NEAR(c->MediaDuration(), 30.0, 0.01);
}

// What the listener is told, remembers and moves from: finer than whole seconds, never going back.
TEST_F(MpvMediaControlTest, PositionReadWhilePlayingIsFineAndNeverGoesBack) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    std::vector<double> read;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        read.push_back(c->CurrentPosition());
        QTest::qWait(37);
    }
    ASSERT_GT(read.size(), 10u);
    for (std::size_t i = 1; i < read.size(); ++i)
        ASSERT_GE(read[i], read[i - 1]) << "read " << i << " went back";
    const auto fine = std::count_if(read.begin(), read.end(), [](double t) { return t != std::floor(t); });
    EXPECT_GT(fine, 3) << "only whole seconds were read";
    EXPECT_GT(read.back(), read.front());
}

TEST_F(MpvMediaControlTest, QuickSeeksComposeThroughTheCache) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    c->SetCurrentPosition(20.0);
    for (int i = 0; i < 3; ++i)
        c->SetCurrentPosition(c->CurrentPosition() - 5.0);
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 5.0);
    double highest = 0.0;
    ASSERT_TRUE(WaitUntil([&] {
        highest = std::max(highest, c->CurrentPosition());
        return c->CurrentPosition() > 5.1;
    }));
    EXPECT_LT(highest, 7.0) << "a stale position from before the seeks came back";
}

TEST_F(MpvMediaControlTest, NegativePositionGoesToStart) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    c->SetCurrentPosition(-3.0);
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 0.0);
    EXPECT_EQ(c->PlayState(), psPlaying);
}

TEST_F(MpvMediaControlTest, PauseHoldsThePositionAndPlayResumes) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    StateLog log(*c);
    c->Pause();
    EXPECT_EQ(c->PlayState(), psPaused);
    ASSERT_TRUE(WaitForBarrier(*c));
    const double paused = c->CurrentPosition();
    QTest::qWait(300); // time, not a barrier: only time passing shows whether the sound moves on
    EXPECT_NEAR(c->CurrentPosition(), paused, 0.05);
    c->Play();
    EXPECT_EQ(c->PlayState(), psPlaying);
    ASSERT_TRUE(WaitUntil([&] { return c->CurrentPosition() > paused + 0.1; }));
    EXPECT_EQ(log.States(), (std::vector<int>{psPaused, psPlaying}));
    EXPECT_TRUE(log.GetterAgreedEveryTime());
}

TEST_F(MpvMediaControlTest, VolumeStaysWithinRangeAndBadRatesAreRefused) {
    auto c = Fast();
    const std::pair<int, int> volumes[] = {{40, 40}, {150, 100}, {-5, 0}, {100, 100}, {0, 0}};
    for (const auto& [put, expected] : volumes) {
        c->SetVolume(put);
        EXPECT_EQ(c->Volume(), expected) << put;
    }
    c->SetRate(1.5);
    EXPECT_DOUBLE_EQ(c->Rate(), 1.5);
    for (double bad : {0.0, -1.0, 1000.0, std::nan("")}) {
        EXPECT_THROW(c->SetRate(bad), MediaControlError) << bad;
        EXPECT_DOUBLE_EQ(c->Rate(), 1.5);
    }
}

TEST_F(MpvMediaControlTest, RatePutBeforeAnyFileCarriesOverToIt) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetRate(2.0);
    c->SetVolume(30);
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    // Media seconds per wall-clock second, at the carried-over rate and then at normal speed, one
    // right after the other so that both see the same load.
    const auto pace = [&](double& mediaPerSecond) {
        const double start = c->CurrentPosition();
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(WaitUntil([&] { return c->CurrentPosition() > start + 1.5; }));
        mediaPerSecond = (c->CurrentPosition() - start) / (static_cast<double>(clock.elapsed()) / 1000.0);
    };
    ASSERT_TRUE(WaitUntil([&] { return c->CurrentPosition() > 0.2; }));
    double doubled = 0.0;
    pace(doubled);
    c->SetRate(1.0);
    // The put takes effect within mpv's next audio block; let that block pass.
    const double switched = c->CurrentPosition();
    ASSERT_TRUE(WaitUntil([&] { return c->CurrentPosition() > switched + 0.3; }));
    double normal = 0.0;
    pace(normal);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_GT(doubled, 1.4 * normal) << doubled << " against " << normal;
    EXPECT_EQ(c->Volume(), 30);
    EXPECT_DOUBLE_EQ(c->Rate(), 1.0);
}

TEST_F(MpvMediaControlTest, ReplacingAPlayingFileIsNoEnd) {
    const QString a = Tone("a.wav", 30.0);
    const QString b = Tone("b.wav", 0.4);
    auto c = RealTime();
    c->SetUrl(a);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    StateLog log(*c);
    c->SetUrl(b);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_EQ(c->MediaName(), "b.wav");
}

// A RIFF INFO chunk of (id, text) fields, as tagging tools put in a WAV before its samples.
QByteArray InfoChunk(const std::vector<std::pair<QByteArray, QByteArray>>& fields) {
    const auto le32 = [](qsizetype v) {
        const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        return QByteArray(b, 4);
    };
    QByteArray body = "INFO";
    for (const auto& [id, text] : fields) {
        QByteArray value = text + '\0';
        body += id + le32(value.size()) + value;
        if (value.size() % 2)
            body += '\0';
    }
    return "LIST" + le32(body.size()) + body;
}

TEST_F(MpvMediaControlTest, TagsAreThoseOfTheFileSetAndGoWithIt) {
    const QString tagged = Tone("tagged.wav", 30.0);
    QFile file(tagged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const QByteArray info = InfoChunk({{"INAM", "La tempesta"}, {"IART", "Autrice"}, {"IPRD", "Il libro"}});
    bytes.insert(bytes.indexOf("data"), info);
    const quint32 riffSize = qFromLittleEndian<quint32>(bytes.constData() + 4) + info.size();
    qToLittleEndian(riffSize, bytes.data() + 4);
    ASSERT_TRUE(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    const QString plain = Tone("plain.wav", 30.0);

    auto c = RealTime();
    c->SetUrl(tagged);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(c->Tags().title, "La tempesta");
    EXPECT_EQ(c->Tags().artist, "Autrice");
    EXPECT_EQ(c->Tags().album, "Il libro");
    c->SetUrl(plain);
    EXPECT_EQ(c->Tags().title, QString()); // not the tags of the file it replaces, even while opening
    ASSERT_TRUE(Reaches(*c, psPlaying));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(c->Tags().title, QString());
    EXPECT_EQ(c->Tags().album, QString());
    c->SetUrl(tagged);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(c->Tags().artist, "Autrice");
    c->Close();
    EXPECT_EQ(c->Tags().artist, QString());
}

TEST_F(MpvMediaControlTest, CloseStopsWithoutAnEnd) {
    const QString path = Tone("long.wav", 30.0);
    auto c = RealTime();
    c->SetUrl(path);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    StateLog log(*c);
    c->Close();
    EXPECT_EQ(c->PlayState(), psStopped);
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psStopped}));
    EXPECT_DOUBLE_EQ(c->CurrentPosition(), 0.0);
    EXPECT_THROW(c->SetCurrentPosition(3.0), MediaControlError);
}

TEST_F(MpvMediaControlTest, UnplayableFilesEndSoTheListMovesOn) {
    const QString real = Tone("real.wav", 0.5);
    QFile empty(FDir.filePath("empty.wav"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile text(FDir.filePath("notes.mp3"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("these are not the sounds you are looking for\n");
    text.close();
    QFile playlist(FDir.filePath("list.m3u"));
    ASSERT_TRUE(playlist.open(QIODevice::WriteOnly));
    playlist.write("#EXTM3U\n" + QFile::encodeName(real) + "\n");
    playlist.close();
    ASSERT_TRUE(QDir(FDir.path()).mkdir("folder"));
    ASSERT_TRUE(QFile::copy(real, FDir.filePath("folder/inside.wav")));

    const QString paths[] = {FDir.filePath("missing.wav"), empty.fileName(), text.fileName(),
                             playlist.fileName(), FDir.filePath("folder")};
    auto c = Fast();
    for (const QString& path : paths) {
        StateLog log(*c);
        c->SetUrl(path);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << path.toStdString();
        ASSERT_TRUE(WaitForBarrier(*c));
        // Neither the playlist's entry nor the folder's file may have been opened.
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psMediaEnded, psStopped}))
            << path.toStdString();
        EXPECT_TRUE(c->EndedByFailure()) << path.toStdString();
    }
}

TEST_F(MpvMediaControlTest, EventsOfAReplacedFileAreDropped) {
    const QString a = Tone("a.wav", 0.3);
    const QString b = Tone("b.wav", 0.6);
    auto c = Fast();
    for (int round = 0; round < 5; ++round) {
        StateLog log(*c);
        c->SetUrl(a);
        c->SetUrl(b);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
        ASSERT_TRUE(WaitForBarrier(*c));
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}))
            << "round " << round;
        EXPECT_EQ(c->MediaName(), "b.wav");
    }
}

TEST_F(MpvMediaControlTest, PositionAtOrPastTheEndEndsTheFile) {
    const QString path = Tone("tone.wav", 2.0);
    auto c = Fast();
    for (double put : {2.0, 50.0}) {
        StateLog log(*c);
        c->SetUrl(path);
        c->SetCurrentPosition(put);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << put;
        ASSERT_TRUE(WaitForBarrier(*c));
        EXPECT_EQ(log.Count(psMediaEnded), 1) << put;
        EXPECT_EQ(log.States().back(), psStopped) << put;
    }

    // And while it plays, not only before the first sound.
    const QString longer = Tone("long.wav", 30.0);
    auto timed = RealTime();
    timed->SetUrl(longer);
    ASSERT_TRUE(Reaches(*timed, psPlaying));
    StateLog log(*timed);
    timed->SetCurrentPosition(31.0);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psMediaEnded, psStopped}));
    EXPECT_FALSE(timed->EndedByFailure());
}

TEST_F(MpvMediaControlTest, OddNamesPlayAsLocalFiles) {
    const QString names[] = {"http:x.wav", "av:--y.wav", "-z.wav", "-", ":colon.wav"};
    for (const QString& name : names)
        Tone(name, 0.3);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("av:"));
    Tone("av:/w.wav", 0.3);

    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(FDir.path()));
    auto c = Fast();
    std::vector<QString> relative(std::begin(names), std::end(names));
    relative.push_back("av://w.wav"); // a folder "av:" read as a path, not a protocol
    for (const QString& path : relative) {
        StateLog log(*c);
        c->SetUrl(path);
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << path.toStdString();
        EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}))
            << path.toStdString();
        EXPECT_EQ(c->MediaName(), QFileInfo(path).fileName());
    }
    QDir::setCurrent(before);
}

TEST_F(MpvMediaControlTest, NamesThatAreNotUtf8PlayAsTheyAreOnDisk) {
    // An old drive's Latin-1 name: the bytes must reach mpv unchanged, not as U+FFFD.
    const QByteArray bytes = QFile::encodeName(FDir.path()) + "/caf\xe9.wav";
    const QString plain = Tone("plain.wav", 0.3);
    ASSERT_EQ(::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
    const QString path = DecodeFileName(bytes);
    auto c = Fast();
    StateLog log(*c);
    c->SetUrl(path);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
}

TEST_F(MpvMediaControlTest, BrokenAudioOutputStopsWithoutAnEnd) {
    const QString path = Tone("tone.wav", 0.5);
    MpvMediaControl c(MpvMediaControl::Options{"no-such-output", true});
    StateLog log(c);
    c.SetUrl(path);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    ASSERT_TRUE(WaitForBarrier(c));
    EXPECT_FALSE(log.Saw(psMediaEnded));
    EXPECT_EQ(c.PlayState(), psStopped);
}

TEST_F(MpvMediaControlTest, DeletingTheControlWithEventsOnTheirWayIsSafe) {
    const QString path = Tone("tone.wav", 0.3);
    {
        auto c = Fast();
        c->SetUrl(path);
    }
    // Deleted from inside its own state event, while the drain is still running.
    QPointer<MpvMediaControl> c = Fast().release();
    QObject::connect(c, &MediaControl::PlayStateChange, c, [&c](int state) {
        if (state == psMediaEnded)
            delete c.data();
    });
    c->SetUrl(path);
    EXPECT_TRUE(WaitUntil([&] { return c.isNull(); }));
    // Runs what was posted before the deletion: none of it may reach the deleted object, and
    // nothing can be posted after it.
    QCoreApplication::processEvents();
}

} // namespace
