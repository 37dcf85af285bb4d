// The background length reader over the files of a list, with the real libavformat reader: lists
// and references named like media are measured as nothing and lead it nowhere.
#include "book/TrackLengths.h"

#include "SilentMp3.h"
#include "WavWriter.h"
#include "formats/MediaLength.h"
#include "support/OpenWatch.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kDeadlineMs = 8000;
const QByteArray kCanary = "secret-canary.mp3";

class TrackLengthsTest : public testing::Test {
protected:
    QString Write(const char* name, const QByteArray& content) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name;
        file.write(content);
        return path;
    }
    QString Fifo(const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << name;
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(TrackLengthsTest, ListsAndReferencesNamedMp3GiveNoLengthAndOpenNothingElse) {
    const QString canary = dir.filePath(QString::fromLatin1(kCanary));
    ASSERT_TRUE(WriteSilentMp3(canary, 3.0, Mp3Tag::Info));
    const QByteArray target = QFile::encodeName(canary);
    const QString real = dir.filePath("real.wav");
    ASSERT_TRUE(WriteToneWav(real, 1.0));
    const QString mp3 = dir.filePath("real.mp3");
    ASSERT_TRUE(WriteSilentMp3(mp3, 2.0, Mp3Tag::Info));
    // Each refers to the canary by its whole path and by its name beside it.
    const QStringList refusals = {
        Write("hls.mp3", "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3,\n" + target + "\n#EXTINF:3,\n" +
                             kCanary + "\n#EXT-X-ENDLIST\n"),
        Write("concat.mp3", "ffconcat version 1.0\nfile '" + target + "'\nfile '" + kCanary + "'\n"),
        Write("pls.mp3", "[playlist]\nFile1=" + target + "\nFile2=" + kCanary + "\nNumberOfEntries=2\n"),
        Write("m3u.mp3", target + "\n" + kCanary + "\n"),
        Write("extm3u.mp3", "#EXTM3U\n#EXTINF:3,canary\n" + target + "\n"),
        Write("edl.mp3", "# mpv EDL v0\n" + target + "\n" + kCanary + ",0,3\n"),
        Write("sdp.mp3", "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=tone\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                         "m=audio 20000 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n"),
        Fifo("pipe.mp3"),
    };
    OpenWatch watch(QFile::encodeName(dir.path()));
    ASSERT_TRUE(watch.Valid());

    TTrackLengths lengths(ReadMediaLength);
    lengths.Want(QStringList{real} + refusals + QStringList{mp3});
    const auto settle = [&lengths] {
        QDeadlineTimer deadline(kDeadlineMs);
        while (!lengths.Settled() && !deadline.hasExpired())
            QTest::qWait(5);
        return lengths.Settled();
    };
    const bool settled = settle();
    EXPECT_TRUE(settled) << "the reader waits on a file that never ends";
    if (!settled) {
        // Stuck in the FIFO: a writer lets it go, so that the rest can still be judged.
        const int writer = ::open(QFile::encodeName(refusals.last()).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        ASSERT_TRUE(settle());
    }

    for (const QString& path : refusals)
        EXPECT_EQ(lengths.Length(path), std::nullopt) << path.toStdString();
    ASSERT_TRUE(lengths.Length(real).has_value());
    EXPECT_NEAR(*lengths.Length(real), 1.0, 0.01);
    ASSERT_TRUE(lengths.Length(mp3).has_value());
    EXPECT_NEAR(*lengths.Length(mp3), 2.0, 0.05);

    const QSet<QByteArray>& opened = watch.Opened();
    EXPECT_TRUE(opened.contains("real.wav")) << "the watch sees what the reader opens";
    EXPECT_FALSE(opened.contains(kCanary)) << "a reference was followed";
    EXPECT_FALSE(opened.contains("pipe.mp3")) << "a FIFO is judged before it is opened";
}

} // namespace
