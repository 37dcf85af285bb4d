#include "daisy/DaisyBook.h"

#include <algorithm>
#include <cmath>

namespace {

// Clip times are written in milliseconds at best; closer than this, two clips touch.
constexpr double kTouching = 0.0005;

template <typename T> int LastAtOrBefore(const std::vector<T>& items, int clip) {
    const auto after = std::upper_bound(items.begin(), items.end(), clip,
                                        [](int c, const T& item) { return c < item.FClip; });
    return static_cast<int>(after - items.begin()) - 1;
}

} // namespace

double TDaisyBook::Length() const {
    if (FClips.empty())
        return 0;
    return FClips.back().FBookStart + FClips.back().Length();
}

int TDaisyBook::Depth() const {
    int depth = 0;
    for (const TDaisyHeading& heading : FHeadings)
        depth = std::max(depth, heading.FLevel);
    return depth;
}

int TDaisyBook::ClipAt(double bookTime) const {
    if (FClips.empty())
        return -1;
    const auto after = std::upper_bound(FClips.begin(), FClips.end(), bookTime,
                                        [](double t, const TDaisyClip& clip) { return t < clip.FBookStart; });
    return std::max(0, static_cast<int>(after - FClips.begin()) - 1);
}

TDaisyPlace TDaisyBook::PlaceAt(double bookTime) const {
    const int clip = ClipAt(bookTime);
    if (clip < 0)
        return {};
    const TDaisyClip& c = FClips[std::size_t(clip)];
    const double into = std::clamp(bookTime - c.FBookStart, 0.0, c.Length());
    return {clip, c.FBegin + into};
}

double TDaisyBook::BookTime(int clip, double fileOffset) const {
    if (clip < 0 || clip >= static_cast<int>(FClips.size()))
        return 0;
    const TDaisyClip& c = FClips[std::size_t(clip)];
    return c.FBookStart + std::clamp(fileOffset, c.FBegin, c.FEnd) - c.FBegin;
}

double TDaisyBook::SpanBookTime(const TDaisySpan& span, double fileOffset) const {
    const int end = std::min(span.FFirstClip + span.FClipCount, static_cast<int>(FClips.size()));
    int clip = span.FFirstClip;
    // Spans are a few clips long; a walk is as quick as a search.
    while (clip + 1 < end && FClips[std::size_t(clip) + 1].FBegin <= fileOffset)
        ++clip;
    return BookTime(clip, fileOffset);
}

int TDaisyBook::HeadingAt(int clip, int maxLevel) const {
    for (int i = LastAtOrBefore(FHeadings, clip); i >= 0; --i)
        if (FHeadings[std::size_t(i)].FLevel <= maxLevel)
            return i;
    return -1;
}

int TDaisyBook::PageAt(int clip) const {
    return LastAtOrBefore(FPages, clip);
}

int TDaisyBook::PageByLabel(const QString& label) const {
    const QString wanted = label.trimmed();
    for (std::size_t i = 0; i < FPages.size(); ++i)
        if (FPages[i].FLabel.compare(wanted, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

std::vector<TDaisySpan> TDaisyBook::PlaySpans(bool withPageNumbers, bool withNotes) const {
    std::vector<TDaisySpan> spans;
    for (std::size_t i = 0; i < FClips.size(); ++i) {
        const TDaisyClip& clip = FClips[i];
        if ((clip.FRole == TDaisyRole::PageNumber && !withPageNumbers) ||
            (IsNoteRole(clip.FRole) && !withNotes))
            continue;
        // Merged only with the clip just before it in the book: a skipped clip between two parts
        // of one file is a jump, not a stretch.
        if (!spans.empty()) {
            TDaisySpan& last = spans.back();
            if (last.FFirstClip + last.FClipCount == static_cast<int>(i) && last.FAudio == clip.FAudio &&
                std::abs(last.FEnd - clip.FBegin) < kTouching) {
                last.FEnd = clip.FEnd;
                ++last.FClipCount;
                continue;
            }
        }
        spans.push_back({clip.FAudio, clip.FBegin, clip.FEnd, static_cast<int>(i), 1});
    }
    return spans;
}
