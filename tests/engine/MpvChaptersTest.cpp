// Chapters as mpv reads them from each kind of book, and from a CUE sheet beside a single file.
#include "ChapterFiles.h"
#include "MpvTestSupport.h"

#include <QFile>

namespace {

struct ChapterSource {
    const char* name;
    const char* fileName;
    const char* format; // libavformat's muxer; none for a WAV with its CUE sheet
};

class MpvChaptersTest : public MpvMediaControlTest, public ::testing::WithParamInterface<ChapterSource> {};

constexpr double kLength = 12.0;
const std::vector<ChapterMark> kMarks = {{0.0, "Prologo"}, {4.0, "La tempesta"}, {8.0, "Epilogo"}};

TEST_P(MpvChaptersTest, ReportsTheBooksChaptersWithTimesAndTitles) {
    const ChapterSource& source = GetParam();
    const QString path = FDir.filePath(QString::fromLatin1(source.fileName));
    if (source.format) {
        ASSERT_TRUE(WriteChapterBook(path, source.format, kLength, kMarks));
    } else {
        ASSERT_TRUE(WriteToneWav(path, kLength));
        QFile sheet(FDir.filePath(QStringLiteral("book.cue")));
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
        sheet.write("FILE \"book.wav\" WAVE\r\n"
                    "  TRACK 01 AUDIO\r\n    TITLE \"Prologo\"\r\n    INDEX 01 00:00:00\r\n"
                    "  TRACK 02 AUDIO\r\n    TITLE \"La tempesta\"\r\n    INDEX 00 00:03:00\r\n"
                    "    INDEX 01 00:04:00\r\n"
                    "  TRACK 03 AUDIO\r\n    TITLE \"Epilogo\"\r\n    INDEX 01 00:08:00\r\n");
        sheet.close();
    }
    auto control = Fast();
    control->SetUrl(path);
    control->Pause(); // opens paused: only what mpv read of the file counts
    ASSERT_TRUE(
        WaitUntil([&] { return control->PlayState() == psPaused || control->PlayState() == psPlaying; }));
    ASSERT_TRUE(WaitForBarrier(*control));
    ASSERT_TRUE(WaitUntil([&] { return control->Chapters().size() == 3; }))
        << "chapters seen: " << control->Chapters().size();
    const QList<MediaChapter> chapters = control->Chapters();
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(chapters[i].start, kMarks[static_cast<std::size_t>(i)].start, 0.05) << i;
        EXPECT_EQ(chapters[i].title, QString::fromUtf8(kMarks[static_cast<std::size_t>(i)].title)) << i;
    }
    // Closing forgets them: a next file without chapters must not inherit these.
    control->Close();
    EXPECT_TRUE(control->Chapters().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Sources, MpvChaptersTest,
                         ::testing::Values(ChapterSource{"M4b", "book.m4b", "mp4"},
                                           ChapterSource{"Mp3ChapterFrames", "book.mp3", "mp3"},
                                           ChapterSource{"Mka", "book.mka", "matroska"},
                                           ChapterSource{"WavWithCueSheet", "book.wav", nullptr}),
                         [](const ::testing::TestParamInfo<ChapterSource>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
