#pragma once

#include <QByteArray>

/// What the start of a file says about seeking in it as MP3.
enum class Mp3SeekKind {
    NotMp3,   // no MPEG audio Layer III frame where one must begin
    Untagged, // an MP3 frame without a Xing, Info or VBRI tag: nothing tells its bitrate is constant
    Constant, // an "Info" tag: a constant-bitrate encode, so a byte offset is a time
    Variable, // a "Xing" or "VBRI" tag: variable bitrate, byte offsets are not times
};

/// The length of an ID3v2 tag at the start of `head` (header, body and footer), 0 when none.
qint64 Id3v2Length(const QByteArray& head);

/// Classifies the bytes of a file that follow its ID3v2 tag, if any: the first MP3 frame must
/// start at offset 0 and hold its tag where the encoder writes it.
Mp3SeekKind ClassifyMp3Frame(const QByteArray& frame);

/// Reads the start of the local file `path` (file system encoding) and classifies it. Never
/// blocks on a special file and never fails: an unreadable file is NotMp3.
Mp3SeekKind ProbeMp3File(const QByteArray& path);
