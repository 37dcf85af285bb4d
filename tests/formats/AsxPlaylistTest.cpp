#include "formats/AsxPlaylist.h"

#include "MidiWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ostream>
#include <string>
#include <vector>

void PrintTo(const AsxEntry& e, std::ostream* out) {
    *out << "{" << e.path.toStdString() << ", " << e.title.toStdString() << "}";
}

namespace {

class AsxPlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
        for (const char* name : {"a.wav", "sub/b.wav", "with space.wav", "other.asx", "list.m3u"})
            Put(name, "x");
    }

    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void Put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(WriteBytes(Path(name), bytes)); }

    std::vector<AsxEntry> Parse(const QByteArray& xml) const { return TAsxPlaylist::Parse(xml, dir.path()); }

    /// A metafile of one entry per reference.
    static QByteArray Entries(const std::vector<QByteArray>& hrefs) {
        QByteArray xml = "<asx version=\"3.0\">\n";
        for (const QByteArray& href : hrefs)
            xml += "  <entry><ref href=\"" + href + "\"/></entry>\n";
        return xml + "</asx>\n";
    }

    QTemporaryDir dir;
};

TEST_F(AsxPlaylistTest, LocalReferencesPlayInOrderWithTheirTitles) {
    const QByteArray xml = R"(<?xml version="1.0"?>
<ASX VERSION="3.0">
  <TITLE>The whole list</TITLE>
  <Entry>
    <Title>  First
      song </Title>
    <REF HREF="a.wav"/>
  </Entry>
  <entry><ref href="sub/b.wav"/></entry>
  <entry><title>Spaced</title><ref href="with%20space.wav"/></entry>
  <entry><title>Backslash</title><ref href="sub\b.wav"/></entry>
</ASX>)";
    const std::vector<AsxEntry> expected = {
        {Path("a.wav"), "First song"},
        {Path("sub/b.wav"), "b.wav"}, // no title: the file's name
        {Path("with space.wav"), "Spaced"},
        {Path("sub/b.wav"), "Backslash"},
    };
    EXPECT_EQ(Parse(xml), expected);
}

TEST_F(AsxPlaylistTest, FileAddressesOnThisMachineAreLocal) {
    const QByteArray base = QUrl::fromLocalFile(dir.path()).toEncoded();
    const QByteArray localhost = "file://localhost" + QFile::encodeName(dir.path());
    EXPECT_EQ(Parse(Entries({base + "/a.wav", localhost + "/sub/b.wav", base + "/with%20space.wav",
                             QFile::encodeName(Path("a.wav"))})),
              (std::vector<AsxEntry>{{Path("a.wav"), "a.wav"},
                                     {Path("sub/b.wav"), "b.wav"},
                                     {Path("with space.wav"), "with space.wav"},
                                     {Path("a.wav"), "a.wav"}}));
}

TEST_F(AsxPlaylistTest, AlternativesFallBackToTheFirstLocalFileThatExists) {
    const QByteArray xml = R"(<asx version="3.0">
  <entry><ref href="http://example.org/a.mp3"/><ref href="missing.wav"/><ref href="a.wav"/><ref href="sub/b.wav"/></entry>
  <entry><ref href="mms://example.org/live"/></entry>
</asx>)";
    EXPECT_EQ(Parse(xml), (std::vector<AsxEntry>{{Path("a.wav"), "a.wav"}}));
}

struct RefusedCase {
    std::string name;
    QByteArray href;
};
void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class AsxRefusedReference : public AsxPlaylistTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(AsxRefusedReference, YieldsNothing) {
    // The same metafile with a local entry besides plays only that one: the refusal is per entry.
    EXPECT_TRUE(Parse(Entries({GetParam().href})).empty());
    EXPECT_EQ(Parse(Entries({GetParam().href, "a.wav"})), (std::vector<AsxEntry>{{Path("a.wav"), "a.wav"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsxRefusedReference,
    ::testing::Values(
        RefusedCase{"Http", "http://example.org/a.wav"}, RefusedCase{"Https", "HTTPS://example.org/a.wav"},
        RefusedCase{"Mms", "mms://example.org/a.wav"}, RefusedCase{"Rtsp", "rtsp://example.org/a.wav"},
        RefusedCase{"Ftp", "ftp://example.org/a.wav"},
        RefusedCase{"FileOnAnotherHost", "file://server/a.wav"},
        RefusedCase{"NetworkShare", "//server/share/a.wav"}, RefusedCase{"WindowsDrive", "C:\\Music\\a.wav"},
        RefusedCase{"MpvProtocol", "av://lavfi:sine"}, RefusedCase{"MidiProtocol", "varnelmidi:///tmp/a.mid"},
        RefusedCase{"NestedMetafile", "other.asx"}, RefusedCase{"NestedPlaylist", "list.m3u"},
        RefusedCase{"RemoteMetafile", "http://example.org/list.asx"}, RefusedCase{"Missing", "nowhere.wav"},
        RefusedCase{"Folder", "sub"}, RefusedCase{"Device", "/dev/null"}, RefusedCase{"Empty", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(AsxPlaylistTest, EntryReferencesToOtherMetafilesAreNotFollowed) {
    Put("other.asx", Entries({"a.wav"}));
    EXPECT_TRUE(Parse(R"(<asx version="3.0"><entryref href="other.asx"/></asx>)").empty());
}

struct HostileCase {
    std::string name;
    QByteArray xml;
};
void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

class AsxHostileMetafile : public AsxPlaylistTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(AsxHostileMetafile, YieldsNothing) {
    EXPECT_TRUE(Parse(GetParam().xml).empty());
}

std::vector<HostileCase> HostileCases() {
    const QByteArray entry = "<entry><ref href=\"a.wav\"/></entry>";
    // The root is level 1; an entry's reference one level below the entry.
    QByteArray deep = "<asx>";
    for (int i = 0; i < TAsxPlaylist::kMaxDepth - 2; ++i)
        deep += "<x>";
    deep += entry; // the reference lies one level too deep
    for (int i = 0; i < TAsxPlaylist::kMaxDepth - 2; ++i)
        deep += "</x>";
    deep += "</asx>";
    QByteArray many = "<asx>";
    for (int i = 0; i <= TAsxPlaylist::kMaxEntries; ++i)
        many += entry;
    many += "</asx>";
    const QByteArray big = "<asx>" + entry + "<!--" + QByteArray(TAsxPlaylist::kMaxBytes, 'x') + "--></asx>";
    return {
        {"ExternalEntity",
         "<!DOCTYPE asx [<!ENTITY f SYSTEM \"file:///etc/passwd\">]><asx><entry><title>&f;</title>"
         "<ref href=\"a.wav\"/></entry></asx>"},
        {"InternalEntity",
         "<!DOCTYPE asx [<!ENTITY w \"a.wav\">]><asx><entry><ref href=\"&w;\"/></entry></asx>"},
        {"EntityExpansion",
         "<!DOCTYPE asx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><asx><entry><title>&c;</title>"
         "<ref href=\"a.wav\"/></entry></asx>"},
        {"DoctypeAlone", "<!DOCTYPE asx SYSTEM \"http://example.org/asx.dtd\"><asx>" + entry + "</asx>"},
        {"UndeclaredEntity", "<asx><entry><title>&nope;</title><ref href=\"a.wav\"/></entry></asx>"},
        {"Unclosed", "<asx>" + entry},
        {"Mismatched", "<asx>" + entry + "</entry></asx>"},
        {"UnescapedAmpersand", "<asx><entry><ref href=\"a.wav?x=1&y=2\"/></entry>" + entry + "</asx>"},
        {"OtherRoot", "<smil>" + entry + "</smil>"},
        {"TooDeep", deep},
        {"TooManyEntries", many},
        {"TooLarge", big},
        {"Empty", ""},
        {"Binary", QByteArray("\x00\x01\xFF\xFE\x00<asx>", 10)},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, AsxHostileMetafile, ::testing::ValuesIn(HostileCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(AsxPlaylistTest, BoundsThemselvesAreAllowed) {
    const QByteArray entry = "<entry><ref href=\"a.wav\"/></entry>";
    QByteArray deep = "<asx>";
    for (int i = 0; i < TAsxPlaylist::kMaxDepth - 3; ++i)
        deep += "<x>";
    deep += entry;
    for (int i = 0; i < TAsxPlaylist::kMaxDepth - 3; ++i)
        deep += "</x>";
    deep += "</asx>";
    EXPECT_EQ(Parse(deep).size(), 1u) << "an entry at the deepest level allowed";

    QByteArray many = "<asx>";
    for (int i = 0; i < TAsxPlaylist::kMaxEntries; ++i)
        many += entry;
    many += "</asx>";
    EXPECT_EQ(Parse(many).size(), static_cast<std::size_t>(TAsxPlaylist::kMaxEntries));
}

TEST_F(AsxPlaylistTest, TitlesInEitherEncodingAndReadFromTheMetafilesOwnFolder) {
    // Written on Windows without a declaration: the Western code page. Then UTF-8, then UTF-16.
    Put("sub/west.asx", "<asx><entry><title>Caf\xe9</title><ref href=\"b.wav\"/></entry></asx>");
    Put("sub/utf8.wax", "<asx><entry><title>Caff\xc3\xa8</title><ref href=\"../a.wav\"/></entry></asx>");
    const QString wide = QStringLiteral("<asx><entry><title>Wide</title><ref href=\"b.wav\"/></entry></asx>");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
    Put("sub/utf16.asx", utf16);

    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::rootPath())); // references are not relative to the working folder
    EXPECT_EQ(TAsxPlaylist::LocalEntries(Path("sub/west.asx")),
              (std::vector<AsxEntry>{{Path("sub/b.wav"), QString::fromUtf8("Caf\xc3\xa9")}}));
    EXPECT_EQ(TAsxPlaylist::LocalEntries(Path("sub/utf8.wax")),
              (std::vector<AsxEntry>{{Path("a.wav"), QString::fromUtf8("Caff\xc3\xa8")}}));
    EXPECT_EQ(TAsxPlaylist::LocalEntries(Path("sub/utf16.asx")),
              (std::vector<AsxEntry>{{Path("sub/b.wav"), "Wide"}}));
    EXPECT_TRUE(TAsxPlaylist::LocalEntries(Path("sub/missing.asx")).empty());
    EXPECT_TRUE(TAsxPlaylist::LocalEntries(Path("sub")).empty());
    // A FIFO would hold the reader for good, waiting for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("sub/pipe.asx")).constData(), 0600), 0);
    EXPECT_TRUE(TAsxPlaylist::LocalEntries(Path("sub/pipe.asx")).empty());
    QDir::setCurrent(before);
}

} // namespace
