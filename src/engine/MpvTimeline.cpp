#include "engine/MpvTimeline.h"

#include "engine/MpvMidiProtocol.h"
#include "formats/MediaFileKind.h"
#include "util/FileNameCodec.h"

namespace {

/// A value of any bytes: mpv's length-prefixed form, so ",", ";" and "%" in names are plain text.
QByteArray Guarded(const QByteArray& value) {
    return '%' + QByteArray::number(value.size()) + '%' + value;
}

} // namespace

QByteArray TimelineArgument(const std::vector<AsxEntry>& entries) {
    QByteArray out = "edl://";
    for (const AsxEntry& entry : entries) {
        const QByteArray file = EncodeFileName(entry.path);
        if (out.size() > 6)
            out += ';';
        out += Guarded(IsMidiFileName(entry.path) ? MidiStreamUrl(file) : file);
        out += ",title=" + Guarded(entry.title.toUtf8());
    }
    return out;
}

QByteArray MetafileTimelineArgument(const QString& path) {
    return TimelineArgument(AsxPlaylist::LocalEntries(path));
}
