#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

/// One track of a CUE sheet: where it starts in the file (its INDEX 01) and its title.
struct CueTrack {
    double start = 0.0; // seconds
    QString title;
    friend bool operator==(const CueTrack&, const CueTrack&) = default;
};

/// Reads the CUE sheet that describes a single-file recording as chapters: the sheet with the same
/// base name beside the file ("book.cue" for "book.mp3"). Only the tracks of the file itself count:
/// a sheet that names several files keeps those of the one whose name matches. Text is UTF-8, or
/// Windows-1252 when it is not valid UTF-8 (what older rippers write).
class TCueSheet {
public:
    /// Larger files are no CUE sheet a book would come with.
    static constexpr qint64 kMaxBytes = 1 << 20;

    /// The tracks of the sheet beside mediaPath, in the sheet's order; empty when there is no
    /// sheet, it cannot be read or it describes other files.
    static std::vector<CueTrack> TracksFor(const QString& mediaPath);
    /// The same for the bytes of a sheet and the file name (no folder) of the media.
    static std::vector<CueTrack> Parse(const QByteArray& bytes, const QString& mediaFileName);
};
