#include "util/FileNameCodec.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(FileNameCodecTest, BytesSurviveTheRoundTrip) {
    const QByteArray samples[] = {
        "plain.mp3",
        "caf\xc3\xa9.mp3",          // valid UTF-8
        "\xf0\x90\x82\x80.mp3",     // U+10080: its low surrogate lies in the escape range
        "caf\xe9.mp3",              // Latin-1
        "\xed\xa0\x80",             // an encoded surrogate
        "\xc0\xaf",                 // overlong '/'
        "\xe2\x82",                 // cut short
        "\xf4\x90\x80\x80",         // beyond U+10FFFF
        "\xf0\x90\x82\x80\xff\xfe", // valid pair then bad bytes
        ""};
    for (const QByteArray& bytes : samples) {
        const QString text = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(text), bytes) << bytes.toHex().constData();
        if (bytes.isValidUtf8()) {
            EXPECT_EQ(text, QFile::decodeName(bytes)) << bytes.toHex().constData();
        }
    }
    EXPECT_EQ(EncodeFileName(QStringLiteral("caf\u00e9")), QByteArray("caf\xc3\xa9"));
}

} // namespace
