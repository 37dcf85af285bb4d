#include "util/PathList.h"

#include "util/FileNameCodec.h"

#include <gtest/gtest.h>

namespace {

const QStringList kOdd{
    "/música/città/ñandú.mp3",                      // two-byte letters
    "/音楽/日本語の曲.flac",                        // three-byte letters
    QString::fromUtf8("/x/🎵 \xF0\x9D\x84\x9E.ogg"), // beyond the BMP: surrogate pairs in a QString
    QString("/bad/") + QChar(0xFFFD) + ".mp3",      // what a name that is not valid text decodes to
    DecodeFileName("/latin1/caf\xE9 \xFF.mp3"),     // bytes that are not text, kept as escapes
    "relative/a b.wav",
    "",
};

TEST(PathListTest, GivesBackTheSameTextsInTheSameOrder) {
    const TPathList list(kOdd);
    ASSERT_EQ(list.size(), kOdd.size());
    EXPECT_EQ(list.ToStringList(), kOdd);
    QStringList walked;
    for (const QString& path : list)
        walked.append(path);
    EXPECT_EQ(walked, kOdd);
    EXPECT_EQ(list[2], kOdd[2]);
    EXPECT_EQ(list.first(), kOdd.first());
    EXPECT_EQ(list.last(), kOdd.last());
    EXPECT_EQ(list.value(-1), QString());
    EXPECT_EQ(list.value(list.size()), QString());
    EXPECT_EQ(TPathList({"/a", "/b"}).ToStringList(), QStringList({"/a", "/b"}));
}

TEST(PathListTest, EachPathHoldsJustItsBytes) {
    // A hundred thousand paths each keeping room for three bytes a character would outweigh the QStrings.
    TPathList list(kOdd);
    list.append(QString("/one/more/città.mp3"));
    for (qsizetype i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.BytesAt(i).capacity(), list.BytesAt(i).size());
    }
}

TEST(PathListTest, FindsAndJoinsByText) {
    TPathList list({"/a.mp3", "/città.mp3", "/a.mp3"});
    EXPECT_EQ(list.indexOf("/a.mp3"), 0);
    EXPECT_EQ(list.indexOf("/a.mp3", 1), 2);
    EXPECT_EQ(list.indexOf("/città.mp3"), 1);
    EXPECT_EQ(list.indexOf("/CITTÀ.mp3"), -1); // the same text only, not a look-alike
    EXPECT_FALSE(list.contains("/b.mp3"));

    EXPECT_EQ(list.mid(1).ToStringList(), QStringList({"/città.mp3", "/a.mp3"}));
    EXPECT_EQ(list.mid(1, 1).ToStringList(), QStringList({"/città.mp3"}));

    TPathList joined;
    joined.append(TPathList({"/1", "/2"}));
    joined.append(list.mid(1));
    const TPathList kept({"/3"});
    joined.append(kept);
    EXPECT_EQ(joined.ToStringList(), QStringList({"/1", "/2", "/città.mp3", "/a.mp3", "/3"}));
    EXPECT_EQ(kept.size(), 1); // appended from, not taken
    EXPECT_EQ(list.size(), 3);
}

} // namespace
