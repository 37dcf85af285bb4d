// Books as they are found in the wild: HTML 4 navigation in Western code pages, and the faults
// producers leave. Each is read as far as it can be, and each fault is named.
#include "daisy/DaisyReader.h"

#include "DaisyTestBooks.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Code = TDaisyProblemCode;

class DaisyBadBookTest : public DaisyBookFolder {
protected:
    void SetUp() override {
        DaisyBookFolder::SetUp();
        Put("a.wav", "RIFF");
        Put("b.wav", "RIFF");
    }
};

TEST_F(DaisyBadBookTest, Html4NccInWindows1252IsReadAsABrowserWould) {
    // Capitals, unquoted attributes, unclosed elements, named entities, and Windows-1252 bytes
    // (0x93/0x94 quotes, 0x96 dash) declared by a meta element.
    Put("ncc.html",
        "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">\n"
        "<TITLE>ignored</TITLE><META NAME=\"dc:title\" CONTENT=\"Caf\xE9 \x93quoted\x94\">\n"
        "<META name=DC:Creator content=\"Jos&eacute;\">\n"
        "<BODY><H1 CLASS=title><A HREF=\"a.smil#p1\">L&eacute;on \x96 one</A>\n"
        "<P><SPAN CLASS=\"page-normal\"><A HREF=\"a.smil#p2\">7</A></SPAN>\n"
        "<H2><A HREF=a.smil#p2>Second<BR></A>\n"
        "<SPAN class=page-front><a href=b.smil#q1>iv</a>\n"
        "<DIV CLASS=\"sidebar\"><A HREF=\"b.smil#q2\">box</A></DIV>\n");
    Put("a.smil", Smil202(Par202("p1", "a.wav", "0", "1") + Par202("p2", "a.wav", "1", "2")));
    Put("b.smil", Smil202(Par202("q1", "b.wav", "0", "1") + Par202("q2", "b.wav", "1", "2")));
    const TDaisyBook book = Read();
    EXPECT_EQ(book.FTitle, QStringLiteral("Café “quoted”"));
    EXPECT_EQ(book.FCreator, QStringLiteral("José"));
    EXPECT_EQ(HeadingTexts(book),
              (std::vector<QString>{QStringLiteral("Léon – one"), QStringLiteral("Second")}));
    ASSERT_EQ(book.FHeadings.size(), 2u);
    EXPECT_EQ(book.FHeadings[1].FLevel, 2);
    EXPECT_EQ(book.FHeadings[1].FClip, 1);
    ASSERT_EQ(book.FPages.size(), 2u);
    EXPECT_EQ(book.FPages[0].FLabel, QStringLiteral("7"));
    EXPECT_EQ(book.FPages[1].FLabel, QStringLiteral("iv"));
    EXPECT_EQ(book.FPages[1].FKind, TDaisyPageKind::Front);
    EXPECT_EQ(book.FPages[1].FClip, 2);
    // The ncc's class names the sidebar its SMIL does not mark.
    ASSERT_EQ(book.FClips.size(), 4u);
    EXPECT_EQ(book.FClips[3].FRole, TDaisyRole::Sidebar);
    EXPECT_EQ(book.FClips[2].FRole, TDaisyRole::Text);
    EXPECT_TRUE(book.FProblems.empty()) << testing::PrintToString(book.FProblems);
}

TEST_F(DaisyBadBookTest, EncodingComesFromTheDeclarationOrTheBytes) {
    const QByteArray smil = Smil202(Par202("p1", "a.wav", "0", "1"));
    Put("a.smil", smil);
    struct Case {
        const char* name;
        QByteArray ncc;
        QString title;
    };
    const Case cases[] = {
        // ISO-8859-1 in the XML declaration, read as browsers read it: 0x80 is the euro sign.
        {"latin1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<html><head><title>\xE0 \x80</title>",
         QStringLiteral("à €")},
        {"utf8", "<html><head><title>\xC3\xA0 \xE2\x82\xAC</title>", QStringLiteral("à €")},
        {"undeclared1252", "<html><head><title>\xE0 \x80</title>", QStringLiteral("à €")},
        {"bom", "\xEF\xBB\xBF<html><head><title>\xC3\xA0</title>", QStringLiteral("à")},
        {"unknownName", "<html><head><meta charset=\"x-no-such\"><title>\xE0</title>", QStringLiteral("à")},
    };
    for (const Case& c : cases) {
        Put("ncc.html", c.ncc + "</head><body><h1><a href=\"a.smil#p1\">x</a></h1></body></html>");
        EXPECT_EQ(Read().FTitle, c.title) << c.name;
    }
}

TEST_F(DaisyBadBookTest, MissingFilesAndTargetsAreNamedAndTheRestReads) {
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1>"
                           "<h1><a href=\"gone.smil#g1\">Gone</a></h1>"
                           "<h2><a href=\"a.smil#nope\">No such id</a></h2>"
                           "<p><a href=\"http://example.org/producer.html\">Producer</a></p>"
                           "<h1><a href=\"c.smil#c1\">Three</a></h1>"));
    Put("a.smil", Smil202(Par202("p1", "a.wav", "0", "1") + Par202("p2", "missing.wav", "0", "1") +
                          Par202("p3", "a.wav", "1", "2")));
    Put("c.smil", Smil202(Par202("c1", "b.wav", "0", "1")));
    const TDaisyBook book = Read();
    EXPECT_TRUE(HasProblem(book, Code::MissingFile, "gone.smil"));
    EXPECT_TRUE(HasProblem(book, Code::MissingAudio, "missing.wav"));
    EXPECT_TRUE(HasProblem(book, Code::MissingTarget, "a.smil#nope"));
    EXPECT_EQ(book.FProblems.size(), 3u) << testing::PrintToString(book.FProblems);
    ASSERT_EQ(book.FClips.size(), 3u);
    EXPECT_EQ(book.AudioFile(book.FClips[2]), Path("b.wav"));
    // A heading whose place is lost goes to where its SMIL file stood: never lost, never elsewhere.
    EXPECT_EQ(HeadingTexts(book), (std::vector<QString>{QStringLiteral("One"), QStringLiteral("No such id"),
                                                        QStringLiteral("Gone"), QStringLiteral("Three")}));
    const int clips[] = {0, 0, 2, 2};
    for (std::size_t i = 0; i < 4 && i < book.FHeadings.size(); ++i)
        EXPECT_EQ(book.FHeadings[i].FClip, clips[i]) << i;
}

TEST_F(DaisyBadBookTest, BadClipsAreLeftOutAndNamed) {
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1>"));
    Put("a.smil",
        Smil202(
            Par202("p1", "a.wav", "0", "1") +
            "<par id=\"rev\"><audio id=\"r\" src=\"a.wav\" clip-begin=\"npt=5s\" clip-end=\"npt=4s\"/></par>"
            "<par><audio src=\"a.wav\" clip-begin=\"npt=1s\" clip-end=\"soon\"/></par>"
            "<par><audio src=\"b.wav\" clip-begin=\"npt=1s\"/></par>"
            "<par><audio src=\"a.wav\" clip-begin=\"npt=3s\" clip-end=\"npt=3s\"/></par>"
            "<par><audio src=\"a.wav\" clipBegin=\"0:00:01.5\" clipEnd=\"2500ms\"/></par>"));
    const TDaisyBook book = Read();
    EXPECT_TRUE(HasProblem(book, Code::ReversedClip, "a.smil#r"));
    EXPECT_TRUE(HasProblem(book, Code::BadClock, "a.smil: a.wav"));
    EXPECT_TRUE(HasProblem(book, Code::BadClock, "a.smil: b.wav"));
    EXPECT_EQ(book.FProblems.size(), 3u) << testing::PrintToString(book.FProblems);
    // The empty clip is silently nothing; the spelling of DAISY 3 is read in a 2.02 book too.
    ASSERT_EQ(book.FClips.size(), 2u);
    EXPECT_DOUBLE_EQ(book.FClips[1].FBegin, 1.5);
    EXPECT_DOUBLE_EQ(book.FClips[1].FEnd, 2.5);
    EXPECT_DOUBLE_EQ(book.FClips[1].FBookStart, 1.0);
}

TEST_F(DaisyBadBookTest, ClipsPastTheFileEndAreCutOrLeftOut) {
    ASSERT_TRUE(WriteToneWav(Path("a.wav"), 1.0));
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1><h1><a href=\"a.smil#p3\">Late</a></h1>"));
    Put("a.smil", Smil202(Par202("p1", "a.wav", "0", "0.6") + Par202("p2", "a.wav", "0.6", "1.05") +
                          Par202("p3", "a.wav", "1.5", "2") + Par202("p4", "b.wav", "0", "9")));
    int asked = 0;
    TDaisyReadOptions options;
    options.FAudioLength = [&asked, this](const QString& path) -> std::optional<double> {
        ++asked;
        if (path == Path("a.wav"))
            return 1.0;
        return std::nullopt; // unknown: trusted as written
    };
    const TDaisyBook book = Read({}, options);
    EXPECT_EQ(asked, 2) << "each file is measured once";
    EXPECT_TRUE(HasProblem(book, Code::ClipPastEnd, "a.smil: a.wav"));
    EXPECT_EQ(book.FProblems.size(), 1u) << testing::PrintToString(book.FProblems);
    ASSERT_EQ(book.FClips.size(), 3u);
    EXPECT_DOUBLE_EQ(book.FClips[1].FEnd, 1.0); // within the tolerance: cut to the end, not named
    EXPECT_DOUBLE_EQ(book.FClips[2].FEnd, 9.0);
    EXPECT_EQ(HeadingTexts(book), (std::vector<QString>{QStringLiteral("One"), QStringLiteral("Late")}));
    EXPECT_EQ(book.FHeadings[1].FClip, 2); // the place of the clip left out goes to the next clip
}

TEST_F(DaisyBadBookTest, BookWithoutAudioOpensWithItsProblem) {
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1>"));
    Put("a.smil", Smil202("<par id=\"p1\"><text src=\"t.html#x\"/></par>"));
    const TDaisyBook book = Read();
    EXPECT_TRUE(book.FClips.empty());
    EXPECT_TRUE(book.FHeadings.empty());
    EXPECT_EQ(book.FProblems, (std::vector<TDaisyProblem>{{Code::NoAudio, QStringLiteral("ncc.html")}}));
    EXPECT_EQ(book.FTitle, QStringLiteral("Titolo"));
    Put("empty/ncc.html", "");
    const TDaisyBook empty = Read("empty");
    EXPECT_TRUE(HasProblem(empty, Code::UnreadableFile, "ncc.html"));
    EXPECT_TRUE(HasProblem(empty, Code::NoAudio, "ncc.html"));
    EXPECT_EQ(empty.FTitle, QStringLiteral("empty")); // the folder's name when the book has none
}

TEST_F(DaisyBadBookTest, TruncatedAndMarkedRolesInSmil) {
    // A SMIL cut off mid-element keeps the clips before the cut; customTest and system-required
    // mark skippable parts in either version, on a par or a seq around several.
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1><h1><a href=\"b.smil\">Two</a></h1>"));
    Put("a.smil",
        "<smil><head><customAttributes><customTest id=\"fn\" bookStruct=\"NOTE\"/></customAttributes>"
        "</head><body><seq>" +
            Par202("p1", "a.wav", "0", "1") + "<seq customTest=\"fn\">" + Par202("n1", "a.wav", "1", "2") +
            Par202("n2", "a.wav", "2", "3") + "</seq>" +
            Par202("p2", "a.wav", "3", "4", " system-required=\"sidebar-on\"") +
            "<par><audio src=\"a.wav\" clip-begin=\"npt=4s\" clip-en");
    Put("b.smil", Smil202(Par202("q1", "b.wav", "0", "1")));
    const TDaisyBook book = Read();
    ASSERT_EQ(book.FClips.size(), 5u);
    const TDaisyRole roles[] = {TDaisyRole::Text, TDaisyRole::Note, TDaisyRole::Note, TDaisyRole::Sidebar,
                                TDaisyRole::Text};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(book.FClips[i].FRole, roles[i]) << i;
    ASSERT_EQ(book.FHeadings.size(), 2u);
    EXPECT_EQ(book.FHeadings[1].FClip, 4); // a link without an id goes to the SMIL's start
    const std::vector<TDaisySpan> noNotes = book.PlaySpans(true, false);
    ASSERT_EQ(noNotes.size(), 2u);
    EXPECT_EQ(noNotes[0], (TDaisySpan{0, 0, 1, 0, 1}));
}

TEST_F(DaisyBadBookTest, ProblemsAreCappedNotUnbounded) {
    QByteArray pars;
    // A thousand faults, each met twice and counted once.
    for (int i = 0; i < 2000; ++i)
        pars += "<par><audio src=\"x" + QByteArray::number(i / 2) +
                ".wav\" clip-begin=\"npt=2s\" clip-end=\"npt=1s\"/></par>";
    Put("ncc.html", Ncc202("<h1><a href=\"a.smil\">One</a></h1>"));
    Put("a.smil", Smil202(pars + Par202("p1", "a.wav", "0", "1")));
    const TDaisyBook book = Read();
    EXPECT_EQ(book.FProblems.size(), std::size_t(TDaisyBook::kMaxProblems));
    EXPECT_EQ(book.FProblemsLeftOut, 1000 - TDaisyBook::kMaxProblems);
    EXPECT_EQ(book.FClips.size(), 1u);
}

} // namespace
