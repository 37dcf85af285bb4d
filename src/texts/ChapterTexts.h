#pragma once

#include <QString>

#include <optional>

// What the chapter keys and the time-left keys say, in the program's two languages (Spanish for
// LangSpanish, Italian otherwise). Spoken only, never shown.

/// "Capitolo 3 di 12: La tempesta"; without the colon and title when title is empty.
QString ChapterSpokenText(int number, int count, const QString& title, int language);
/// A chapter key on a file without chapters.
QString NoChaptersSpokenText(int language);
/// The next-chapter key at the last chapter.
QString LastChapterSpokenText(int language);
/// A duration as said aloud: "1 ora 3 min" from an hour up (the seconds dropped), below an hour as
/// the time field writes it ("4 min  10 sec"). Negative or unknown durations read as 0.
QString SpokenDuration(double seconds, int language);
/// The rest of the chapter (when there are chapters) and of the track, in listening time.
QString TrackLeftSpokenText(std::optional<double> chapterLeft, double trackLeft, int language);
/// The rest of the track list in listening time, "at least" while some lengths are unknown, and the
/// share already heard in whole percent (none when it cannot be told).
QString ListLeftSpokenText(double left, bool atLeast, std::optional<int> heardPercent, int language);
