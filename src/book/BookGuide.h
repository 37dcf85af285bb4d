#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TMyPlayer;
class TPlayerCore;
class TTrackLengths;
struct MediaChapter;

/// Where the listener is in a book: the chapter keys and the time-left keys. Each command returns
/// what is to be said once (empty: nothing), in the language given at construction; the window
/// routes the keys and speaks the text. Positions move only through the player.
class TBookGuide {
public:
    /// How close to a chapter's start counts as at its start: a seek may land a hair before it.
    static constexpr double kAtStart = 0.1;
    /// Within this much media time of a chapter's start, going back goes to the chapter before.
    static constexpr double kBackToPrevious = 3.0;

    /// The core's list and current track are read at each command.
    TBookGuide(TPlayerCore& core, TTrackLengths& lengths, int language);

    /// To the next chapter's start; at the last chapter, or without chapters, nothing moves.
    QString NextChapter();
    /// To the current chapter's start, or to the one before within its first kBackToPrevious seconds.
    QString PreviousChapter();
    /// The rest of the current chapter and of the track, at the current speed.
    QString TrackLeft() const;
    /// The rest of the track list at the current speed, and the share of it already heard.
    QString ListLeft() const;

private:
    /// Moves to chapter index of chapters and says it; nothing said when the move failed.
    QString MoveTo(const QList<MediaChapter>& chapters, int index);
    /// Speed of playback, 1 when the control cannot tell.
    double Rate() const;

    TPlayerCore& FCore;
    TMyPlayer& FPlayer;
    TTrackLengths& FLengths;
    int FLanguage;
};

/// The index of the chapter that holds position (the last one starting at or before it, give or
/// take kAtStart); -1 before the first chapter.
int ChapterAt(const QList<MediaChapter>& chapters, double position);
