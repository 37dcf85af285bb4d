// What the libmpv control must never do with a file: reach the network, block on a special file,
// reinterpret its path, or lose the place reached when the sound goes away.
#include "MpvTestSupport.h"
#include "support/OpenWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

/// True when a UDP socket of this machine's network namespace is bound to `port`.
bool UdpPortBound(int port) {
    const QByteArray hexPort = ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0') + " ";
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            // "  sl  local_address rem_address ...": the local address is the second field.
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 1 && (fields[1] + " ").endsWith(hexPort))
                return true;
        }
    }
    return false;
}

/// The sockets this process holds open.
int OpenSockets() {
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        char target[256] = {};
        const QByteArray link = QFile::encodeName(fds.filePath(fd));
        if (::readlink(link.constData(), target, sizeof target - 1) > 0 &&
            QByteArray(target).startsWith("socket:"))
            ++count;
    }
    return count;
}

QString Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    return path;
}

/// Plays `path` to its end and returns the states seen; the file must end, as a failure.
std::vector<int> PlayToFailure(MpvMediaControl& c, const QString& path) {
    StateLog log(c);
    c.SetUrl(path);
    EXPECT_TRUE(WaitUntil([&] { return log.Saw(psStopped); })) << path.toStdString();
    EXPECT_TRUE(WaitForBarrier(c)) << path.toStdString();
    EXPECT_TRUE(c.EndedByFailure()) << path.toStdString();
    return log.States();
}

const std::vector<int> kFailedOpen{psTransitioning, psMediaEnded, psStopped};

TEST_F(MpvMediaControlTest, AStreamDescriptionNamedMp3OpensNoSocketAndEnds) {
    // A port of its own, so that parallel runs do not see each other's sockets.
    const int port = 20000 + 2 * (::getpid() % 10000);
    ASSERT_FALSE(UdpPortBound(port));
    const QByteArray sdp = "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=tone\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                           "m=audio " +
                           QByteArray::number(port) + " RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
    const QByteArray multicast = QByteArray(sdp).replace("c=IN IP4 127.0.0.1", "c=IN IP4 239.255.42.42/1");
    const QString files[] = {Write(FDir.filePath("stream.mp3"), sdp),
                             Write(FDir.filePath("group.mp3"), multicast)};
    auto c = Fast();
    const int socketsBefore = OpenSockets();
    for (const QString& path : files) {
        StateLog log(*c);
        bool bound = false;
        c->SetUrl(path);
        ASSERT_TRUE(WaitUntil([&] {
            bound = bound || UdpPortBound(port) || UdpPortBound(port + 1);
            return log.Saw(psStopped);
        })) << "the list would wait on it for ever: "
            << path.toStdString();
        EXPECT_FALSE(bound) << path.toStdString();
        EXPECT_LE(OpenSockets(), socketsBefore) << path.toStdString();
        EXPECT_EQ(log.States(), kFailedOpen) << path.toStdString();
        EXPECT_TRUE(c->EndedByFailure()) << path.toStdString();
    }
}

TEST_F(MpvMediaControlTest, ListsAndReferencesNamedMp3PlayNothing) {
    const QString inside = Tone("inside.wav", 0.3);
    const QByteArray name = QFile::encodeName(inside);
    const QString files[] = {
        Write(FDir.filePath("hls.mp3"),
              "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + name + "\n#EXT-X-ENDLIST\n"),
        Write(FDir.filePath("concat.mp3"), "ffconcat version 1.0\nfile '" + name + "'\n"),
        Write(FDir.filePath("pls.mp3"), "[playlist]\nFile1=" + name + "\nNumberOfEntries=1\n"),
        Write(FDir.filePath("edl.mp3"), "# mpv EDL v0\n" + name + "\n"),
    };
    auto c = Fast();
    OpenWatch watch(QFile::encodeName(FDir.path()));
    ASSERT_TRUE(watch.Valid());
    for (const QString& path : files) {
        EXPECT_EQ(PlayToFailure(*c, path), kFailedOpen) << path.toStdString();
        // The same file as a metafile's entry is judged as it is on its own.
        const QString list =
            Write(path + ".asx", "<asx><entry><ref href=\"" + QFile::encodeName(path) + "\"/></entry></asx>");
        EXPECT_EQ(PlayToFailure(*c, list), kFailedOpen) << list.toStdString();
    }
    EXPECT_TRUE(watch.Opened().contains("hls.mp3")) << "the watch sees what mpv opens";
    EXPECT_FALSE(watch.Opened().contains("inside.wav")) << "a reference was followed";
}

TEST_F(MpvMediaControlTest, AMetafileEntryWhoseListNamesAFifoIsPassedOver) {
    const QString fifo = FDir.filePath("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString hls = Write(FDir.filePath("a.mp3"), "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" +
                                                          QFile::encodeName(fifo) + "\n#EXT-X-ENDLIST\n");
    const QString real = Tone("real.wav", 0.3);
    const QString list =
        Write(FDir.filePath("list.asx"), "<asx><entry><ref href=\"" + QFile::encodeName(hls) +
                                             "\"/></entry><entry><ref href=\"" + QFile::encodeName(real) +
                                             "\"/></entry></asx>");
    OpenWatch watch(QFile::encodeName(FDir.path()));
    ASSERT_TRUE(watch.Valid());
    auto c = Fast();
    StateLog log(*c);
    c->SetUrl(list);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_FALSE(c->EndedByFailure());
    EXPECT_EQ(c->MediaName(), "real.wav");
    EXPECT_TRUE(watch.Opened().contains("real.wav"));
    EXPECT_FALSE(watch.Opened().contains("pipe.wav")) << "the entry's list was followed";
}

TEST_F(MpvMediaControlTest, SpecialFilesAreNeverOpenedAndEndAtOnce) {
    const QString fifo = FDir.filePath("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = FDir.filePath("zero.mp3");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    const QString linkedFifo = FDir.filePath("linked.wav");
    ASSERT_TRUE(QFile::link(fifo, linkedFifo));
    auto c = Fast();
    for (const QString& path : {fifo, device, linkedFifo, QStringLiteral("/dev/null")}) {
        EXPECT_EQ(PlayToFailure(*c, path), kFailedOpen) << path.toStdString();
        EXPECT_DOUBLE_EQ(c->CurrentPosition(), 0.0);
    }
    // And the list goes on with a real file afterwards.
    const QString real = Tone("real.wav", 0.3);
    StateLog log(*c);
    c->SetUrl(real);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_FALSE(c->EndedByFailure());
}

TEST_F(MpvMediaControlTest, DotDotBehindALinkIsWhatTheSystemResolves) {
    // lnk -> real/sub, so lnk/.. is real, not the folder that holds lnk.
    ASSERT_TRUE(QDir(FDir.path()).mkpath("real/sub"));
    ASSERT_TRUE(QFile::link(FDir.filePath("real/sub"), FDir.filePath("lnk")));
    ASSERT_TRUE(WriteToneWav(FDir.filePath("real/t.wav"), 1.0));
    ASSERT_TRUE(WriteToneWav(FDir.filePath("t.wav"), 2.0));
    auto c = RealTime();
    c->SetUrl(FDir.path() + "/lnk/../t.wav");
    ASSERT_TRUE(WaitUntil([&] { return c->MediaDuration() > 0.0; }));
    EXPECT_NEAR(c->MediaDuration(), 1.0, 0.01) << "opened the file that \"..\" removed as text names";
}

/// A sound server of the test's own, with a silent output, that the test can take away.
class OwnSoundServer {
public:
    OwnSoundServer() {
        if (!FDir.isValid() || QStandardPaths::findExecutable("pulseaudio").isEmpty())
            return;
        FSocket = FDir.filePath("native");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", FDir.path());
        env.insert("HOME", FDir.path());
        FServer.setProcessEnvironment(env);
        FServer.setProcessChannelMode(QProcess::MergedChannels);
        FServer.start("pulseaudio",
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "--disable-shm=yes",
                       "-L", "module-native-protocol-unix socket=" + FSocket, "-L", "module-null-sink"});
        if (!FServer.waitForStarted(kDeadlineMs))
            return;
        FReady = WaitUntil([this] {
                     return QFileInfo(FSocket).exists() || FServer.state() != QProcess::Running;
                 }) &&
                 FServer.state() == QProcess::Running;
    }
    ~OwnSoundServer() { Stop(); }
    void Stop() {
        if (FServer.state() == QProcess::NotRunning)
            return;
        FServer.kill();
        FServer.waitForFinished(kDeadlineMs);
    }
    QString Address() const { return "unix:" + FSocket; }
    bool Ready() const { return FReady; }

private:
    QTemporaryDir FDir;
    QString FSocket;
    QProcess FServer;
    bool FReady = false;
};

TEST_F(MpvMediaControlTest, SoundServerDyingMidPlayStopsAndKeepsThePlaceReached) {
    OwnSoundServer sound;
    if (!sound.Ready())
        GTEST_SKIP() << "no sound server could be started here";
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", sound.Address().toUtf8());
    const QString path = Tone("long.wav", 30.0);
    {
        MpvMediaControl c(MpvMediaControl::Options{"pulse", false});
        c.SetUrl(path);
        ASSERT_TRUE(WaitUntil([&] { return c.PlayState() == psPlaying && c.CurrentPosition() > 0.5; }));
        StateLog log(c);
        sound.Stop();
        const double reached = c.CurrentPosition();
        ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }, 3 * kDeadlineMs));
        EXPECT_FALSE(log.Saw(psMediaEnded)) << "a lost output is no end of the file";
        EXPECT_GE(c.CurrentPosition(), reached - 0.5);
        EXPECT_GT(c.CurrentPosition(), 0.4);
    }
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
}

} // namespace
