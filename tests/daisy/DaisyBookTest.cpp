#include "daisy/DaisyBook.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const TDaisySpan& s, std::ostream* out) {
    *out << "{audio " << s.FAudio << ", " << s.FBegin << "-" << s.FEnd << ", clips " << s.FFirstClip << "+"
         << s.FClipCount << "}";
}

namespace {

/// Six clips over two files: three touching clips of file 0 (the middle one a page number), a
/// note in file 1, then two more touching clips of file 0 that follow on from the first three.
TDaisyBook HandBuiltBook() {
    TDaisyBook book;
    book.FAudioFiles = {QStringLiteral("/b/a.mp3"), QStringLiteral("/b/n.mp3")};
    book.FClips = {{0, 0, 2, 0, TDaisyRole::Text}, {0, 2, 3, 2, TDaisyRole::PageNumber},
                   {0, 3, 5, 3, TDaisyRole::Text}, {1, 0, 1, 5, TDaisyRole::Note},
                   {0, 5, 6, 6, TDaisyRole::Text}, {0, 6.0002, 7, 7, TDaisyRole::Text}};
    book.FHeadings = {{QStringLiteral("A"), 1, 0}, {QStringLiteral("B"), 2, 2}, {QStringLiteral("C"), 1, 4}};
    book.FPages = {{QStringLiteral("iv"), TDaisyPageKind::Front, 1},
                   {QStringLiteral("1"), TDaisyPageKind::Normal, 4}};
    return book;
}

TEST(DaisyBook, BookTimeAndPlaceMapBothWays) {
    const TDaisyBook book = HandBuiltBook();
    EXPECT_NEAR(book.Length(), 7.9998, 1e-9);
    // A clip's start belongs to that clip, not to the one ending there.
    EXPECT_EQ(book.ClipAt(2.0), 1);
    EXPECT_EQ(book.ClipAt(1.999), 0);
    const TDaisyPlace note = book.PlaceAt(5.25);
    EXPECT_EQ(note.FClip, 3);
    EXPECT_DOUBLE_EQ(note.FFileOffset, 0.25);
    for (double t = 0; t < book.Length(); t += 0.125) {
        const TDaisyPlace place = book.PlaceAt(t);
        EXPECT_NEAR(book.BookTime(place.FClip, place.FFileOffset), t, 1e-9) << t;
    }
    // Outside the book: clamped to its ends.
    EXPECT_EQ(book.PlaceAt(-3).FClip, 0);
    EXPECT_DOUBLE_EQ(book.PlaceAt(-3).FFileOffset, 0);
    EXPECT_EQ(book.PlaceAt(100).FClip, 5);
    EXPECT_DOUBLE_EQ(book.PlaceAt(100).FFileOffset, 7);
    // A file position outside its clip is taken to the clip's edge; an invalid clip gives 0.
    EXPECT_DOUBLE_EQ(book.BookTime(2, 99), 5);
    EXPECT_DOUBLE_EQ(book.BookTime(6, 1), 0);
    EXPECT_EQ(TDaisyBook().ClipAt(1), -1);
    EXPECT_EQ(TDaisyBook().PlaceAt(1).FClip, -1);
}

TEST(DaisyBook, HeadingsAndPagesAtAClip) {
    const TDaisyBook book = HandBuiltBook();
    EXPECT_EQ(book.Depth(), 2);
    EXPECT_EQ(book.HeadingAt(3), 1);
    EXPECT_EQ(book.HeadingAt(3, 1), 0); // level 1 passes over the level-2 heading
    EXPECT_EQ(book.HeadingAt(4, 1), 2);
    EXPECT_EQ(book.PageAt(0), -1);
    EXPECT_EQ(book.PageAt(3), 0);
    EXPECT_EQ(book.PageAt(5), 1);
    EXPECT_EQ(book.PageByLabel(QStringLiteral(" IV ")), 0);
    EXPECT_EQ(book.PageByLabel(QStringLiteral("2")), -1);
    TDaisyBook late = book;
    late.FHeadings = {{QStringLiteral("B"), 2, 2}};
    EXPECT_EQ(late.HeadingAt(1), -1);
    EXPECT_EQ(late.HeadingAt(5, 1), -1);
}

TEST(DaisyBook, PlaySpansMergeTouchingClipsAndLeaveOutSkippedOnes) {
    const TDaisyBook book = HandBuiltBook();
    const std::vector<TDaisySpan> all = {{0, 0, 5, 0, 3}, {1, 0, 1, 3, 1}, {0, 5, 7, 4, 2}};
    EXPECT_EQ(book.PlaySpans(), all);
    const std::vector<TDaisySpan> noPages = {
        {0, 0, 2, 0, 1}, {0, 3, 5, 2, 1}, {1, 0, 1, 3, 1}, {0, 5, 7, 4, 2}};
    EXPECT_EQ(book.PlaySpans(false, true), noPages);
    // The note between two parts of one file is passed over: the parts stay two spans, so each
    // span's clips are exactly the clips it plays.
    const std::vector<TDaisySpan> noNotes = {{0, 0, 5, 0, 3}, {0, 5, 7, 4, 2}};
    EXPECT_EQ(book.PlaySpans(true, false), noNotes);
    // A file position inside a merged span counts from the clip it falls in.
    EXPECT_DOUBLE_EQ(book.SpanBookTime(all[0], 2.5), 2.5);
    EXPECT_DOUBLE_EQ(book.SpanBookTime(all[0], 4.0), 4.0);
    EXPECT_NEAR(book.SpanBookTime(all[2], 6.5), 7.4998, 1e-9);
    EXPECT_DOUBLE_EQ(book.SpanBookTime(all[2], 5.0), 6.0);
    EXPECT_DOUBLE_EQ(book.SpanBookTime(all[2], 99), book.Length());
    TDaisyBook gap = book;
    gap.FClips[5].FBegin = 6.01; // a hundredth of a second apart: not the same stretch
    EXPECT_EQ(gap.PlaySpans().size(), 4u);
}

} // namespace
