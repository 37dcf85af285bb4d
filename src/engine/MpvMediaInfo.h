#pragma once

#include "engine/MediaControl.h"
#include "engine/MpvChapters.h"

#include <QString>

struct MpvEventData;

/// The name, tags, chapters and length the control reports for the current file. mpv's property
/// changes name no entry: they describe the entry mpv started last, which may be a prepared entry
/// not yet set, so what is seen of it is kept until it becomes the current file.
class MpvMediaInfo {
public:
    QString Name() const { return FName; }
    /// A metafile's entry is titled by the metafile; the entry file's own tags are not looked at.
    MediaTags Tags() const { return FTags; }
    /// 0 until the length is known.
    double Duration() const { return FDuration; }
    QList<MediaChapter> Chapters() const { return FChapters.List(); }

    /// The file at path is set: it bears its file name until mpv reports a title.
    void SetFile(const QString& path);
    /// A metafile's entry is set: it bears `title` for good, and has no chapters of its own.
    void SetEntry(const QString& title);
    /// A track made of clips is set: it bears `name` and `tags` for good, and has no chapters.
    void SetTrack(const QString& name, const MediaTags& tags);
    /// Nothing is open.
    void Clear();

    /// mpv started an entry: nothing is known of its title yet.
    void OnStartFile();
    /// The current file has loaded: its length is the one mpv told last, until it tells another.
    void OnLoaded();
    /// `current`: the entry mpv started last is the current file. Returns whether Tags() changed.
    bool OnProperty(const MpvEventData& event, bool current);
    /// The entry mpv started last has become the current file: what was seen of it counts.
    void Adopt();

private:
    void OnNameOrLength(const MpvEventData& event, bool current);

    QString FName;
    MediaTags FTags;
    double FDuration = 0.0;
    bool FFixedName = false;
    double FSeenDuration = 0.0;
    QString FSeenTitle;
    MediaTags FSeenTags;
    MpvChapters FChapters;
};
