#include "daisy/DaisyLocator.h"

#include "DaisyTestBooks.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class DaisyLocatorTest : public DaisyBookFolder {
protected:
    static QByteArray Package(const QByteArray& format, const QByteArray& ncx = "book.ncx") {
        return "<?xml version=\"1.0\"?><package xmlns=\"http://openebook.org/namespaces/oeb-package/1.0/\">"
               "<metadata><dc-metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:Format>" +
               format + "</dc:Format></dc-metadata></metadata><manifest><item id=\"ncx\" href=\"" + ncx +
               "\" media-type=\"application/x-dtbncx+xml\"/></manifest><spine toc=\"ncx\"/></package>";
    }
};

TEST_F(DaisyLocatorTest, Daisy202ByItsNccInAnyLetterCase) {
    Put("book/NCC.HTM", Ncc202(""));
    Put("book/01.mp3", "x");
    const TDaisyLocation expected{TDaisyFormat::Daisy202, Path("book/NCC.HTM")};
    EXPECT_EQ(LocateDaisyBook(Path("book")), expected);
    EXPECT_EQ(LocateDaisyBook(Path("book/NCC.HTM")), expected);
    EXPECT_EQ(LocateDaisyBookIn(Path("book"), {QStringLiteral("01.mp3"), QStringLiteral("NCC.HTM")}),
              expected);
    // Below the folder does not count: each book is its own folder.
    EXPECT_EQ(LocateDaisyBook(FDir.path()), std::nullopt);
}

TEST_F(DaisyLocatorTest, Daisy3ByItsPackageFormatAndNcx) {
    Put("three/book.ncx", "<ncx/>");
    Put("three/book.opf", Package("ANSI/NISO Z39.86-2005"));
    const TDaisyLocation three{TDaisyFormat::Daisy3, Path("three/book.opf")};
    EXPECT_EQ(LocateDaisyBook(Path("three")), three);
    EXPECT_EQ(LocateDaisyBook(Path("three/book.opf")), three);
    Put("older/x.ncx", "<ncx/>");
    Put("older/x.OPF", Package(" ansi/niso z39.86-2002 ", "x.ncx"));
    EXPECT_EQ(LocateDaisyBook(Path("older")), (TDaisyLocation{TDaisyFormat::Daisy3, Path("older/x.OPF")}));
}

TEST_F(DaisyLocatorTest, OtherFoldersAndFilesAreNoBooks) {
    Put("epub/content.opf", Package("application/epub+zip", "toc.ncx"));
    Put("epub/toc.ncx", "<ncx/>");
    Put("nonavigation/book.opf", Package("ANSI/NISO Z39.86-2005")); // its NCX is missing
    Put("broken/book.opf", "<package><metadata>");
    Put("music/01.mp3", "x");
    Put("music/nccXhtml", "x");
    for (const char* path :
         {"epub", "nonavigation", "broken", "music", "music/01.mp3", "missing", "epub/toc.ncx"})
        EXPECT_EQ(LocateDaisyBook(Path(path)), std::nullopt) << path;
    // A FIFO in the place of a root file is never opened, so nothing waits on it.
    ASSERT_TRUE(QDir().mkpath(Path("fifo")));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo/ncc.html")).constData(), 0644), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo/book.opf")).constData(), 0644), 0);
    EXPECT_EQ(LocateDaisyBook(Path("fifo")), std::nullopt);
    EXPECT_FALSE(ReadDaisyBook(Path("fifo/book.opf")).has_value());
}

} // namespace
