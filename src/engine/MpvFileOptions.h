#pragma once

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

/// libavformat's options in mpv's form, from the open rule: local files only, also for what a
/// demuxer opens by itself, and the demuxers of media formats only.
QByteArray MpvDemuxerOptions();
/// The protocol part alone, for mpv's own opening of streams through libavformat.
QByteArray MpvStreamOptions();

/// Per-file options of mpv's loadfile, as name and value.
using MpvFileOptions = std::vector<std::pair<QByteArray, QByteArray>>;

/// The options one local file (file system encoding) is loaded with: where it starts (nothing
/// for 0), where it stops when it plays only a stretch (absolute file seconds), and, for a constant-bitrate
/// MP3 only, a seek by byte offset, which is exact there and spares reading the whole file up to the place.
MpvFileOptions PerFileOptions(const QByteArray& file, double start, std::optional<double> end = std::nullopt);
