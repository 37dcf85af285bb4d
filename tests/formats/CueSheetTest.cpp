#include "formats/CueSheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(TCueSheet, ReadsTheTracksOfTheMediaFile) {
    struct Case {
        const char* name;
        QByteArray sheet;
        std::vector<CueTrack> expected;
    };
    const QByteArray twoFiles =
        "FILE \"other.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Altro\"\n"
        "    INDEX 01 00:00:00\n"
        "FILE \"Book.MP3\" MP3\n  TRACK 02 AUDIO\n    TITLE \"Uno\"\n    INDEX 01 00:00:00\n"
        "  TRACK 03 AUDIO\n    TITLE \"Due\"\n    INDEX 01 02:30:15\n";
    const Case cases[] = {
        {"TitlesAndIndexOneTimesInFramesOfAQuarter",
         "REM GENRE Audiobook\r\nTITLE \"Il libro\"\r\nFILE \"book.mp3\" MP3\r\n"
         "  TRACK 01 AUDIO\r\n    TITLE \"La tempesta\"\r\n    INDEX 01 00:00:00\r\n"
         "  TRACK 02 AUDIO\r\n    TITLE \"Il naufragio\"\r\n    INDEX 00 61:58:00\r\n    INDEX 01 "
         "62:01:60\r\n",
         {{0.0, "La tempesta"}, {62 * 60 + 1 + 60.0 / 75, "Il naufragio"}}},
        {"MinutesPastNinetyNineAndUntitledTracks",
         "FILE \"book.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 600:00:00\n",
         {{0.0, ""}, {36000.0, ""}}},
        {"OnlyTheMatchingFileOfSeveral", twoFiles, {{0.0, "Uno"}, {150.2, "Due"}}},
        {"ATrackWithoutIndexOneIsDropped",
         "FILE \"book.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"A\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE "
         "\"B\"\n"
         "INDEX 01 1:99:00\n",
         {{0.0, "A"}}},
        {"Windows1252Title",
         "FILE \"book.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Perch\xE9 \x93s\xEC\x94\"\nINDEX 01 00:00:00\n",
         {{0.0, QString::fromUtf8("Perché “sì”")}}},
        {"Utf8WithByteOrderMark",
         "\xEF\xBB\xBF"
         "FILE \"book.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Capítulo\"\nINDEX 01 00:00:00\n",
         {{0.0, QString::fromUtf8("Capítulo")}}},
        {"NotASheet", QByteArray("\x00\x01garbage", 9), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CueTrack> tracks = TCueSheet::Parse(c.sheet, QStringLiteral("book.mp3"));
        ASSERT_EQ(tracks.size(), c.expected.size());
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            EXPECT_NEAR(tracks[i].start, c.expected[i].start, 1e-9) << i;
            EXPECT_EQ(tracks[i].title, c.expected[i].title) << i;
        }
    }
}

TEST(TCueSheet, FindsOnlyTheSheetWithTheSameBaseName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QByteArray sheet = "FILE \"a.b.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Uno\"\nINDEX 01 00:00:00\n";
    write("a.b.mp3", "");
    write("a.b.CUE", sheet);
    write("c.mp3", "");
    write("a.cue", sheet);     // base name "a", not "a.b"
    write("c.mp3.cue", sheet); // a name for the sheet some players use; not the same base name
    EXPECT_EQ(TCueSheet::TracksFor(dir.filePath("a.b.mp3")), (std::vector<CueTrack>{{0.0, "Uno"}}));
    EXPECT_TRUE(TCueSheet::TracksFor(dir.filePath("c.mp3")).empty());
}

} // namespace
