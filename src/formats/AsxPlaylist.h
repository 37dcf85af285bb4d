#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

/// One playable entry of a metafile: a local file and the title it is announced with.
struct AsxEntry {
    QString path;  // absolute
    QString title; // the entry's own title, or the file's name when it has none
    friend bool operator==(const AsxEntry&, const AsxEntry&) = default;
};

/// Reads ".asx" and ".wax" metafiles (XML lists of references) and keeps only what may be played
/// here: entries whose reference is a local file, named relative to the metafile's folder, by an
/// absolute path or by a "file:" address on this machine. Remote addresses (http, mms, rtsp, a
/// file: address with a host, other schemes), nested metafiles and playlists, and names of
/// anything but an existing regular file are refused. The XML is read with no document type,
/// no entities and within fixed bounds, so a hostile metafile yields nothing at all.
class TAsxPlaylist {
public:
    static constexpr qint64 kMaxBytes = 1 << 20;
    static constexpr int kMaxDepth = 16;
    static constexpr int kMaxEntries = 1000;
    static constexpr int kMaxTitleLength = 256;

    /// The entries of the metafile at `path`, in order; empty when it cannot be read, is not a
    /// well-formed metafile within the bounds, or lists nothing playable here.
    static std::vector<AsxEntry> LocalEntries(const QString& path);
    /// The same for the bytes of a metafile that lies in `folder`.
    static std::vector<AsxEntry> Parse(const QByteArray& bytes, const QString& folder);
};
