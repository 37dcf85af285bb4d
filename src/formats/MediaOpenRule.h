#pragma once

#include <QByteArray>

// The one rule for every file the program opens as media, whatever for: playing it, preparing it
// as the next file, measuring its length, reading its tags and chapters, playing it as a
// metafile's entry. It must be a regular local file (a FIFO, a socket or a device could block the
// reader for good or never end), read only by the demuxer of a media format, which opens nothing
// further: no list, no reference to another file, nothing from the network. libmpv's options and
// the length reader's are both built from the lists below.

/// libavformat's protocols a media file may be read through: the local file only.
inline constexpr char kMediaProtocols[] = "file";

/// libavformat's demuxers that may read a media file, as its comma-separated list: containers and
/// streams of sound and video only. Left out are the lists and references (HLS, DASH, concat, IMF),
/// stream descriptions (SDP, RTSP), image sequences, subtitles and text, each of which reads other
/// files or what is no media.
extern const char kMediaDemuxers[];

/// Opens `file` (the path in the file system's encoding) for reading, without blocking, when it is
/// a regular file once opened; returns the descriptor (close-on-exec), or -1 for anything else: a
/// special file is turned away before it is opened, and a file swapped for one meanwhile after.
int OpenRegularFile(const QByteArray& file);

/// True when `file`, after following links, is a regular file now. Opens nothing.
bool IsRegularFile(const QByteArray& file);
