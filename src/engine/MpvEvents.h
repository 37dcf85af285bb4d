#pragma once

#include "engine/MediaControl.h"

#include <QList>
#include <QString>

#include <cstdint>

struct mpv_event;

/// The mpv events the control acts on; everything else is Other.
enum class MpvEventKind {
    Other,
    CommandReply,
    StartFile,
    EndFile,
    FileLoaded,
    PlaybackRestart,
    PropertyChange,
    LogMessage,
    Idle
};

/// Observed properties, identified by the reply_userdata they were observed with.
enum class MpvProperty : std::uint64_t {
    None = 0,
    TimePos = 1,
    Duration = 2,
    MediaTitle = 3,
    TitleTag = 10,
    ArtistTag = 11,
    AlbumTag = 12,
    ChapterList = 16,
    Path = 20
};

/// What an asynchronous request was, packed with a sequence number into its reply_userdata.
enum class MpvRequest : std::uint64_t { Other = 0, Load = 1, Seek = 2, Append = 3, Barrier = 4, Skip = 5 };

/// Packs a request kind and a sequence number into one reply_userdata.
constexpr std::uint64_t MakeRequestTag(MpvRequest kind, std::uint64_t sequence) {
    return (static_cast<std::uint64_t>(kind) << 56) | (sequence & ((std::uint64_t{1} << 56) - 1));
}
constexpr MpvRequest RequestKind(std::uint64_t tag) {
    return static_cast<MpvRequest>(tag >> 56);
}
constexpr std::uint64_t RequestSequence(std::uint64_t tag) {
    return tag & ((std::uint64_t{1} << 56) - 1);
}

/// The part of an mpv event the control needs, copied out because the event dies at the next wait.
struct MpvEventData {
    MpvEventKind kind = MpvEventKind::Other;
    int error = 0;
    std::uint64_t userdata = 0;
    std::int64_t entryId = 0; // START_FILE, END_FILE, and a loadfile reply's new entry
    int endReason = 0;
    int endError = 0;
    MpvProperty property = MpvProperty::None;
    bool hasValue = false; // false while the property is unavailable
    double number = 0.0;
    QString text;                 // a string property's value, or a log message's text
    QString logPrefix;            // the module a log message comes from
    QList<MediaChapter> chapters; // `chapter-list`
};

/// Copies the fields the control uses; unknown events come back as Other.
MpvEventData CopyMpvEvent(const mpv_event& event);

/// mpv's own log line each time it opens the audio output; a gapless change of file writes none.
bool IsAudioOutputOpening(const MpvEventData& event);

/// How the end of the current file is reported.
enum class MpvEndOutcome {
    MediaEnded, // 8, then 1: the list moves on
    Failed,     // 8, then 1, but the file could not be opened or read: it keeps its position
    Stopped,    // 1 only: stopped from outside, or the audio output failed
    Redirected, // the file turned out to be a playlist: treated as unplayable
};

/// Classifies an END_FILE reason and error code.
MpvEndOutcome ClassifyEndFile(int reason, int error);
