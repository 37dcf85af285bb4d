// Books made to harm: sources that lead out of the book's folder or block, entities that read
// local files or multiply, nesting without end. Nothing outside the folder is read, nothing
// hangs, and the rest of the book still reads.
#include "daisy/DaisyReader.h"

#include "DaisyTestBooks.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Code = TDaisyProblemCode;

class DaisyHostileTest : public DaisyBookFolder {
protected:
    void SetUp() override {
        DaisyBookFolder::SetUp();
        Put("outside.wav", "RIFF");
        Put("book/a.wav", "RIFF");
    }

    /// A 2.02 book in "book" whose one SMIL file holds the given pars after a playable one.
    void PutBook(const QByteArray& pars) {
        Put("book/ncc.html", Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1>"));
        Put("book/a.smil", Smil202(Par202("p1", "a.wav", "0", "1") + pars));
    }

    static QByteArray Clip(const QByteArray& src) {
        return "<par><audio src=\"" + src + "\" clip-begin=\"npt=0s\" clip-end=\"npt=1s\"/></par>";
    }
};

TEST_F(DaisyHostileTest, AudioOutsideTheFolderOrNotARegularFileIsRefused) {
    ASSERT_TRUE(QDir().mkpath(Path("book/sub")));
    ASSERT_EQ(symlink(QFile::encodeName(Path("outside.wav")).constData(),
                      QFile::encodeName(Path("book/out-link.wav")).constData()),
              0);
    ASSERT_EQ(symlink("a.wav", QFile::encodeName(Path("book/in-link.wav")).constData()), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("book/pipe.wav")).constData(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", QFile::encodeName(Path("book/device.wav")).constData()), 0);
    const char* refused[] = {"../outside.wav",
                             "%2E%2E/outside.wav",
                             "sub/../../outside.wav",
                             "..\\outside.wav",
                             "/etc/passwd",
                             "file:///etc/passwd",
                             "http://example.org/a.mp3",
                             "out-link.wav",
                             "pipe.wav",
                             "device.wav",
                             "sub"};
    QByteArray pars;
    for (const char* src : refused)
        pars += Clip(src);
    PutBook(pars + Clip("in-link.wav") + Clip("A.WAV"));
    const TDaisyBook book = Read("book");
    for (const char* src : refused)
        EXPECT_TRUE(HasProblem(book, Code::UnsafeSource, QString::fromUtf8(src))) << src;
    EXPECT_EQ(book.FProblems.size(), std::size(refused)) << testing::PrintToString(book.FProblems);
    // A link inside the folder, and a name in another letter case, are the book's own files.
    ASSERT_EQ(book.FClips.size(), 3u);
    EXPECT_EQ(book.AudioFile(book.FClips[1]), Path("book/in-link.wav"));
    EXPECT_EQ(book.AudioFile(book.FClips[2]), Path("book/a.wav"));
}

TEST_F(DaisyHostileTest, SmilFilesOutsideTheFolderOrBlockingAreRefused) {
    Put("outside.smil", Smil202(Par202("x", "book/a.wav", "0", "5")));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("book/pipe.smil")).constData(), 0644), 0);
    Put("book/ncc.html", Ncc202("<h1><a href=\"../outside.smil#x\">Out</a></h1>"
                                "<h1><a href=\"pipe.smil#y\">Pipe</a></h1>"
                                "<h1><a href=\"a.smil#p1\">One</a></h1>"));
    Put("book/a.smil", Smil202(Par202("p1", "a.wav", "0", "1")));
    const TDaisyBook book = Read("book");
    EXPECT_TRUE(HasProblem(book, Code::UnsafeSource, "../outside.smil"));
    EXPECT_TRUE(HasProblem(book, Code::UnsafeSource, "pipe.smil"));
    ASSERT_EQ(book.FClips.size(), 1u);
    EXPECT_DOUBLE_EQ(book.FClips[0].FEnd, 1.0);
}

/// Whether the file at path is opened while `work` runs, watched by inotify.
bool OpenedDuring(const QString& path, const std::function<void()>& work) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_GE(inotify_add_watch(fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS), 0);
    work();
    char events[4096];
    const ssize_t got = read(fd, events, sizeof events);
    close(fd);
    return got > 0;
}

TEST_F(DaisyHostileTest, ExternalEntitiesAreNeverRead) {
    Put("canary.txt", "CANARY");
    const QByteArray canary = "file://" + QFile::encodeName(Path("canary.txt"));
    // The watch itself sees a read: without this the test below could not fail.
    ASSERT_TRUE(OpenedDuring(Path("canary.txt"), [this] {
        QFile file(Path("canary.txt"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(file.readAll(), "CANARY");
    }));
    const QByteArray doctype = "<!DOCTYPE x [<!ENTITY xxe SYSTEM \"" + canary + "\"><!ENTITY % pe SYSTEM \"" +
                               canary + "\"> %pe;]>\n";
    Put("three/book.opf", "<?xml version=\"1.0\"?>\n" + doctype +
                              "<package><metadata><dc-metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                              "<dc:Title>&xxe;</dc:Title><dc:Creator>&xxe;</dc:Creator><dc:Format>ANSI/NISO "
                              "Z39.86-2005</dc:Format>"
                              "</dc-metadata></metadata><manifest><item id=\"ncx\" href=\"book.ncx\" "
                              "media-type=\"application/x-dtbncx+xml\"/><item id=\"s\" href=\"a.smil\" "
                              "media-type=\"application/smil\"/>"
                              "</manifest><spine toc=\"ncx\"><itemref idref=\"s\"/></spine></package>");
    Put("three/book.ncx",
        "<?xml version=\"1.0\"?>\n" + doctype +
            "<ncx><docTitle><text>&xxe;</text></docTitle><navMap><navPoint><navLabel><text>&xxe;"
            "</text></navLabel><content src=\"a.smil#p1\"/></navPoint></navMap></ncx>");
    Put("three/a.wav", "RIFF");
    Put("three/a.smil",
        "<?xml version=\"1.0\"?>\n" + doctype +
            "<smil><body><par id=\"p1\"><audio src=\"a.wav\" clipBegin=\"0s\" clipEnd=\"1s\"/>"
            "</par></body></smil>");
    TDaisyBook book;
    EXPECT_FALSE(OpenedDuring(Path("canary.txt"), [&] { book = Read("three"); }));
    EXPECT_FALSE(book.FTitle.contains(QLatin1String("CANARY")));
    EXPECT_FALSE(book.FCreator.contains(QLatin1String("CANARY")));
    ASSERT_EQ(book.FHeadings.size(), 1u);
    EXPECT_FALSE(book.FHeadings[0].FText.contains(QLatin1String("CANARY")));
    EXPECT_EQ(book.FClips.size(), 1u);
}

TEST_F(DaisyHostileTest, EntityBombsDoNotMultiply) {
    QByteArray doctype = "<!DOCTYPE ncx [<!ENTITY lol0 \"lollollollollollollollollollol\">";
    for (int i = 1; i <= 9; ++i)
        doctype += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                   QByteArray("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    doctype += "]>\n";
    Put("three/book.opf",
        "<?xml version=\"1.0\"?>\n<package><metadata><dc-metadata "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:Format>ANSI/NISO Z39.86-2005</dc:Format></dc-metadata></metadata><manifest><item id=\"ncx\" "
        "href=\"book.ncx\" media-type=\"application/x-dtbncx+xml\"/><item id=\"s\" "
        "href=\"a.smil\"/></manifest>"
        "<spine toc=\"ncx\"><itemref idref=\"s\"/></spine></package>");
    Put("three/book.ncx",
        "<?xml version=\"1.0\"?>\n" + doctype +
            "<ncx><docTitle><text>&lol9;</text></docTitle><navMap><navPoint><navLabel><text>"
            "Uno &lol9;</text></navLabel><content src=\"a.smil#p1\"/></navPoint></navMap></ncx>");
    Put("three/a.wav", "RIFF");
    Put("three/a.smil",
        "<?xml version=\"1.0\"?>\n" + doctype +
            "<smil><body><par id=\"p1\" class=\"&lol9;\"><audio src=\"a.wav\" clipBegin=\"0s\" "
            "clipEnd=\"1s\"/></par></body></smil>");
    const TDaisyBook book = Read("three");
    // Expanded, the title would be three billion characters; it is the folder's name instead.
    EXPECT_EQ(book.FTitle, QStringLiteral("three"));
    for (const TDaisyHeading& heading : book.FHeadings)
        EXPECT_LT(heading.FText.size(), 100) << heading.FText.left(100).toStdString();
}

TEST_F(DaisyHostileTest, DeepNestingEndsWithoutCrashing) {
    const int depth = 100000;
    PutBook(QByteArray("<seq>").repeated(depth) + Clip("a.wav") + QByteArray("</seq>").repeated(depth));
    Put("book/ncc.html",
        Ncc202("<h1><a href=\"a.smil#p1\">One</a></h1>" + QByteArray("<div>").repeated(depth) +
               "<h1><a href=\"b.smil#q1\">Two</a></h1>"));
    Put("book/b.smil", Smil202(Par202("q1", "a.wav", "5", "6")));
    const TDaisyBook book = Read("book");
    EXPECT_FALSE(book.FClips.empty());
    EXPECT_DOUBLE_EQ(book.FClips.front().FBegin, 0.0);
}

TEST_F(DaisyHostileTest, ARootFileOfNoiseIsReadSilently) {
    // Read as Windows-1252, which has no character for 0x8D: libxml2 would report that on stderr,
    // which is the listener's terminal, not the place for a book's faults.
    QByteArray noise("<html><head><title>");
    for (int i = 0; i < 3000; ++i)
        noise.append(char(0x80 + (i * 13) % 32));
    Put("ncc.html", noise);
    testing::internal::CaptureStderr();
    const std::optional<TDaisyBook> book = ReadDaisyBook(Path("ncc.html"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(book.has_value());
    EXPECT_EQ(said, "");
}

} // namespace
