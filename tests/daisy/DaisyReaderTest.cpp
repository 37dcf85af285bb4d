#include "daisy/DaisyReader.h"

#include "DaisyTestBooks.h"
#include "GrowthCheck.h"

#include <gtest/gtest.h>

namespace {

class DaisyReaderTest : public DaisyBookFolder, public ::testing::WithParamInterface<TBookFormat> {
protected:
    bool Three() const { return GetParam() == TBookFormat::Daisy3; }
};

struct ExpectedClip {
    const char* file;
    double begin;
    double end;
    TDaisyRole role;
};

TEST_P(DaisyReaderTest, SampleBookReadsInReadingOrderWithItsStructure) {
    ASSERT_TRUE(WriteDaisyBook(FDir.path(), SampleBookPlan(GetParam())));
    const TDaisyBook book = Read();
    EXPECT_EQ(book.FFormat, Three() ? TDaisyFormat::Daisy3 : TDaisyFormat::Daisy202);
    EXPECT_EQ(book.FTitle, QStringLiteral("Il libro di prova"));
    EXPECT_EQ(book.FCreator, QStringLiteral("Ana Pérez"));
    EXPECT_EQ(book.FRootFile, Path(Three() ? "book.opf" : "ncc.html"));
    EXPECT_TRUE(book.FProblems.empty()) << testing::PrintToString(book.FProblems);

    // 2.02 has one test for notes and their references alike; 3 tells them apart.
    const TDaisyRole noteRef = Three() ? TDaisyRole::NoteReference : TDaisyRole::Note;
    using R = TDaisyRole;
    const ExpectedClip expected[] = {
        {"audio/front.wav", 0, 1, R::PageNumber},
        {"audio/front.wav", 1, 3, R::Text},
        {"main.wav", 0, 0.5, R::PageNumber},
        {"main.wav", 0.5, 1.5, R::Text},
        {"main.wav", 1.5, 2, noteRef},
        {"notes.wav", 0, 1, R::Note},
        {"main.wav", 2, 3, R::Text},
        {"main.wav", 3, 4, R::Text},
        {"main.wav", 4, 4.5, R::PageNumber},
        {"notes.wav", 1, 2.5, R::ProducerNote},
        {"main.wav", 4.5, 6, R::Text},
        {"notes.wav", 2.5, 3, R::Sidebar},
        {"notes.wav", 3, 4, R::PageNumber},
    };
    ASSERT_EQ(book.FClips.size(), std::size(expected));
    double bookTime = 0;
    for (std::size_t i = 0; i < book.FClips.size(); ++i) {
        const TDaisyClip& clip = book.FClips[i];
        EXPECT_EQ(book.AudioFile(clip), Path(expected[i].file)) << i;
        EXPECT_NEAR(clip.FBegin, expected[i].begin, 1e-6) << i;
        EXPECT_NEAR(clip.FEnd, expected[i].end, 1e-6) << i;
        EXPECT_NEAR(clip.FBookStart, bookTime, 1e-6) << i;
        EXPECT_EQ(clip.FRole, expected[i].role) << i;
        bookTime += expected[i].end - expected[i].begin;
    }
    EXPECT_NEAR(book.Length(), 13.0, 1e-6);

    const std::vector<QString> texts = {"Prefazione", "Capitolo 1", "Sezione 1.1", "Sezione 1.1.1",
                                        "Capitolo 2"};
    EXPECT_EQ(HeadingTexts(book), texts);
    const int levels[] = {1, 1, 2, 3, 1};
    const int headingClips[] = {0, 2, 7, 10, 11};
    for (std::size_t i = 0; i < book.FHeadings.size() && i < 5; ++i) {
        EXPECT_EQ(book.FHeadings[i].FLevel, levels[i]) << i;
        EXPECT_EQ(book.FHeadings[i].FClip, headingClips[i]) << i;
    }
    EXPECT_EQ(book.Depth(), 3);
    ASSERT_EQ(book.FPages.size(), 4u);
    EXPECT_EQ(book.FPages[0].FLabel, QStringLiteral("iv"));
    EXPECT_EQ(book.FPages[0].FKind, TDaisyPageKind::Front);
    EXPECT_EQ(book.FPages[0].FClip, 0);
    EXPECT_EQ(book.FPages[1].FClip, 2);
    EXPECT_EQ(book.FPages[2].FLabel, QStringLiteral("2"));
    EXPECT_EQ(book.FPages[2].FClip, 8);
    EXPECT_EQ(book.FPages[3].FLabel, QStringLiteral("A-1"));
    EXPECT_EQ(book.FPages[3].FKind, TDaisyPageKind::Special);
    EXPECT_EQ(book.FPages[3].FClip, 12);

    // main.wav's clips 2.0 to 4.5 run on from one SMIL file into the next: one stretch.
    const std::vector<TDaisySpan> spans = book.PlaySpans();
    ASSERT_EQ(spans.size(), 7u);
    EXPECT_EQ(spans[3], (TDaisySpan{1, 2.0, 4.5, 6, 3}));
    EXPECT_EQ(spans[6], (TDaisySpan{2, 2.5, 4.0, 11, 2}));
}

TEST_P(DaisyReaderTest, TheRootFileItselfOpensTheSameBook) {
    ASSERT_TRUE(WriteDaisyBook(FDir.path(), SampleBookPlan(GetParam())));
    const TDaisyBook byFolder = Read();
    const TDaisyBook byFile = Read(Three() ? "book.opf" : "ncc.html");
    EXPECT_EQ(byFile.FClips, byFolder.FClips);
    EXPECT_EQ(HeadingTexts(byFile), HeadingTexts(byFolder));
}

TEST_P(DaisyReaderTest, FirstSmilPlaysBeforeTheRestIsRead) {
    ASSERT_TRUE(WriteDaisyBook(FDir.path(), SampleBookPlan(GetParam())));
    TDaisyReader reader;
    ASSERT_TRUE(reader.Open(FDir.path()));
    EXPECT_EQ(reader.SmilCount(), 5);
    EXPECT_EQ(reader.Book().FTitle, QStringLiteral("Il libro di prova"));
    EXPECT_TRUE(reader.Book().FClips.empty());
    ASSERT_TRUE(reader.ReadNextSmil());
    EXPECT_EQ(reader.SmilsRead(), 1);
    ASSERT_EQ(reader.Book().FClips.size(), 2u);
    EXPECT_EQ(reader.Book().AudioFile(reader.Book().FClips[0]), Path("audio/front.wav"));
    const TDaisyBook book = reader.Finish();
    EXPECT_EQ(book.FClips.size(), 13u);
    EXPECT_EQ(book.FHeadings.size(), 5u);
    EXPECT_FALSE(reader.ReadNextSmil());
}

TEST_P(DaisyReaderTest, ReadingGrowsLinearlyWithTheBook) {
    const auto work = [this](int sections) {
        QTemporaryDir dir;
        ASSERT_TRUE(WriteDaisyBook(dir.path(),
                                   LargeBookPlan(GetParam(), sections, sections * 10, sections / 60.0, 4)));
        const std::optional<TDaisyBook> book = ReadDaisyBook(dir.path());
        ASSERT_TRUE(book.has_value());
        EXPECT_EQ(book->FClips.size(), std::size_t(sections * 10));
        EXPECT_EQ(book->FPages.size(), std::size_t(sections));
    };
    // The writing is timed too; it is linear, so the pair grows faster only when the reading does.
    GrowthCheck::ExpectLinearGrowth(25, work, "writing and reading a book");
}

INSTANTIATE_TEST_SUITE_P(Formats, DaisyReaderTest,
                         ::testing::Values(TBookFormat::Daisy202, TBookFormat::Daisy3),
                         [](const ::testing::TestParamInfo<TBookFormat>& info) {
                             return std::string(info.param == TBookFormat::Daisy3 ? "Daisy3" : "Daisy202");
                         });

} // namespace
