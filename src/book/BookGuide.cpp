#include "book/BookGuide.h"

#include "book/TrackLengths.h"
#include "engine/MyPlayer.h"
#include "playback/PlayerCore.h"
#include "texts/ChapterTexts.h"

#include <algorithm>
#include <cmath>

int ChapterAt(const QList<MediaChapter>& chapters, double position) {
    int found = -1;
    for (int i = 0; i < chapters.size(); ++i) {
        if (chapters[i].start <= position + TBookGuide::kAtStart)
            found = i;
    }
    return found;
}

TBookGuide::TBookGuide(TPlayerCore& core, TTrackLengths& lengths, int language)
    : FCore(core), FPlayer(core.Player()), FLengths(lengths), FLanguage(language) {}

QString TBookGuide::NextChapter() {
    if (!FPlayer.IsActive())
        return {};
    const QList<MediaChapter> chapters = FPlayer.Chapters();
    if (chapters.isEmpty())
        return NoChaptersSpokenText(FLanguage);
    const int next = ChapterAt(chapters, FPlayer.Position()) + 1;
    if (next >= chapters.size())
        return LastChapterSpokenText(FLanguage);
    return MoveTo(chapters, next);
}

QString TBookGuide::PreviousChapter() {
    if (!FPlayer.IsActive())
        return {};
    const QList<MediaChapter> chapters = FPlayer.Chapters();
    if (chapters.isEmpty())
        return NoChaptersSpokenText(FLanguage);
    const double position = FPlayer.Position();
    int target = std::max(0, ChapterAt(chapters, position));
    if (target > 0 && position - chapters[target].start < kBackToPrevious)
        --target;
    return MoveTo(chapters, target);
}

QString TBookGuide::MoveTo(const QList<MediaChapter>& chapters, int index) {
    const MediaChapter& chapter = chapters[index];
    if (!FPlayer.SeekTo(chapter.start))
        return {};
    return ChapterSpokenText(index + 1, static_cast<int>(chapters.size()), chapter.title, FLanguage);
}

double TBookGuide::Rate() const {
    const double rate = FPlayer.GetRate();
    return rate > 0.0 && std::isfinite(rate) ? rate : 1.0;
}

QString TBookGuide::TrackLeft() const {
    if (!FPlayer.IsActive())
        return {};
    const double position = FPlayer.Position();
    const double length = std::max(FPlayer.Duration(), position);
    const double rate = Rate();
    const QList<MediaChapter> chapters = FPlayer.Chapters();
    std::optional<double> chapterLeft;
    if (!chapters.isEmpty()) {
        const int at = ChapterAt(chapters, position);
        const double end = at + 1 < chapters.size() ? chapters[at + 1].start : length;
        chapterLeft = std::max(0.0, end - position) / rate;
    }
    return TrackLeftSpokenText(chapterLeft, (length - position) / rate, FLanguage);
}

QString TBookGuide::ListLeft() const {
    const TPathList& files = FCore.Files();
    const int current = FCore.Current();
    if (!FPlayer.IsActive() || current < 0 || current >= files.size())
        return {};
    const double position = FPlayer.Position();
    // The playing track's own length is the control's, which knows it exactly.
    const double length = std::max(FPlayer.Duration(), position);
    double before = 0.0;
    double after = 0.0;
    bool unknown = length <= 0.0;
    for (int i = 0; i < files.size(); ++i) {
        if (i == current)
            continue;
        const std::optional<double> other = FLengths.LengthAt(files, i);
        if (!other) {
            unknown = true;
            continue;
        }
        (i < current ? before : after) += *other;
    }
    const double left = (length - position + after) / Rate();
    std::optional<int> heard;
    const double total = before + length + after;
    if (!unknown && total > 0.0)
        heard = static_cast<int>(std::floor((before + position) / total * 100.0));
    return ListLeftSpokenText(left, unknown, heard, FLanguage);
}
