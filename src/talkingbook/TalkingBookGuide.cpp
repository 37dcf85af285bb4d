#include "talkingbook/TalkingBookGuide.h"

#include "config/GeneralConfigs.h"
#include "daisy/DaisyBook.h"
#include "engine/MyPlayer.h"
#include "playback/PlayerCore.h"
#include "texts/BookTexts.h"
#include "texts/ChapterTexts.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

double StartOf(const TDaisyBook& book, int clip) {
    return book.FClips[std::size_t(clip)].FBookStart;
}

// Which of the book's headings of one level this one is, and how many that level has.
std::pair<int, int> NumberAtLevel(const TDaisyBook& book, std::size_t heading) {
    const int level = book.FHeadings[heading].FLevel;
    int number = 0;
    int count = 0;
    for (std::size_t i = 0; i < book.FHeadings.size(); ++i) {
        if (book.FHeadings[i].FLevel != level)
            continue;
        ++count;
        if (i <= heading)
            number = count;
    }
    return {number, count};
}

QString HeadingSaid(const TDaisyBook& book, std::size_t heading, int language) {
    const auto [number, count] = NumberAtLevel(book, heading);
    const TDaisyHeading& h = book.FHeadings[heading];
    return HeadingSpokenText(h.FLevel, number, count, h.FText, language);
}

} // namespace

TTalkingBookGuide::TTalkingBookGuide(TPlayerCore& core, const TM3GeneralConfigs& options, int language)
    : FCore(core), FPlayer(core.Player()), FOptions(options), FLanguage(language) {}

bool TTalkingBookGuide::Active() const {
    return Playing() != nullptr;
}

const TDaisyBook* TTalkingBookGuide::Playing() const {
    return FPlayer.IsActive() ? FCore.Book() : nullptr;
}

QString TTalkingBookGuide::TrackStarted() {
    const TDaisyBook* book = FCore.Book();
    if (!book || book->FRootFile == FBookRoot)
        return {};
    FBookRoot = book->FRootFile;
    FPastEndSaid = false;
    FLastEnds.assign(book->FAudioFiles.size(), 0.0);
    for (const TDaisyClip& clip : book->FClips)
        FLastEnds[std::size_t(clip.FAudio)] = std::max(FLastEnds[std::size_t(clip.FAudio)], clip.FEnd);
    FUnit = book->Depth() > 0
                ? BookUnit{BookUnit::Level, 1}
                : (book->FPages.empty() ? BookUnit{BookUnit::Phrases, 0} : BookUnit{BookUnit::Pages, 0});
    if (book->FProblems.empty())
        return {};
    const TDaisyProblem& first = book->FProblems.front();
    const int more = static_cast<int>(book->FProblems.size()) - 1 + book->FProblemsLeftOut;
    return BookProblemText(static_cast<int>(first.FCode), first.FItem, more, FLanguage);
}

QStringList TTalkingBookGuide::AudioFiles() const {
    QStringList files;
    if (const TDaisyBook* book = FCore.Book())
        for (const QString& file : book->FAudioFiles)
            files.append(file);
    return files;
}

QString TTalkingBookGuide::AudioLengthRead(const QString& path, double seconds) {
    // A clip's end is written to the millisecond, a length read from a header less exactly.
    constexpr double kTolerance = 0.25;
    const TDaisyBook* book = FCore.Book();
    if (!book || FPastEndSaid || !(seconds > 0.0))
        return {};
    const auto file = std::find(book->FAudioFiles.begin(), book->FAudioFiles.end(), path);
    if (file == book->FAudioFiles.end())
        return {};
    const auto audio = static_cast<std::size_t>(file - book->FAudioFiles.begin());
    if (audio >= FLastEnds.size() || FLastEnds[audio] <= seconds + kTolerance)
        return {};
    FPastEndSaid = true;
    return BookProblemText(static_cast<int>(TDaisyProblemCode::ClipPastEnd), path, 0, FLanguage);
}

QString TTalkingBookGuide::CycleUnit(bool forward) {
    const TDaisyBook* book = FCore.Book();
    if (!book)
        return {};
    std::vector<BookUnit> units;
    for (int level = 1; level <= book->Depth(); ++level)
        units.push_back({BookUnit::Level, level});
    if (!book->FPages.empty())
        units.push_back({BookUnit::Pages, 0});
    units.push_back({BookUnit::Phrases, 0});
    const auto at = std::find(units.begin(), units.end(), FUnit);
    const auto count = static_cast<std::ptrdiff_t>(units.size());
    const std::ptrdiff_t index = at == units.end() ? 0 : at - units.begin();
    FUnit = units[std::size_t(((forward ? index + 1 : index - 1) % count + count) % count)];
    switch (FUnit.kind) {
    case BookUnit::Level:
        return LevelUnitText(FUnit.level, FLanguage);
    case BookUnit::Pages:
        return BookText(BookTextId::Pages, FLanguage);
    case BookUnit::Phrases:
        break;
    }
    return BookText(BookTextId::Phrases, FLanguage);
}

std::vector<int> TTalkingBookGuide::HeadingsUpTo(const TDaisyBook& book, int level) {
    std::vector<int> found;
    for (std::size_t i = 0; i < book.FHeadings.size(); ++i)
        if (book.FHeadings[i].FLevel <= level)
            found.push_back(static_cast<int>(i));
    return found;
}

std::vector<TTalkingBookGuide::Target> TTalkingBookGuide::Targets(const TDaisyBook& book) const {
    std::vector<Target> targets;
    switch (FUnit.kind) {
    case BookUnit::Level:
        for (const int h : HeadingsUpTo(book, FUnit.level))
            targets.push_back({StartOf(book, book.FHeadings[std::size_t(h)].FClip), h});
        break;
    case BookUnit::Pages:
        for (std::size_t p = 0; p < book.FPages.size(); ++p)
            targets.push_back({StartOf(book, book.FPages[p].FClip), static_cast<int>(p)});
        break;
    case BookUnit::Phrases: {
        // The phrases heard: those the options leave out are no phrase to stop at.
        const bool pages = FOptions.ReadPageNumbers();
        const bool notes = FOptions.ReadNotes();
        for (std::size_t c = 0; c < book.FClips.size(); ++c) {
            const TDaisyClip& clip = book.FClips[c];
            if ((clip.FRole == TDaisyRole::PageNumber && !pages) || (IsNoteRole(clip.FRole) && !notes))
                continue;
            if (targets.empty() || clip.FBookStart > targets.back().start)
                targets.push_back({clip.FBookStart, static_cast<int>(c)});
        }
        break;
    }
    }
    return targets;
}

QString TTalkingBookGuide::MoveTo(const TDaisyBook& book, const Target& target) {
    if (!FPlayer.SeekTo(target.start))
        return {};
    switch (FUnit.kind) {
    case BookUnit::Level:
        return HeadingSaid(book, std::size_t(target.index), FLanguage);
    case BookUnit::Pages:
        return PageSpokenText(book.FPages[std::size_t(target.index)].FLabel, FLanguage);
    case BookUnit::Phrases:
        break; // the phrase itself is heard
    }
    return {};
}

QString TTalkingBookGuide::Next() {
    return Step(true);
}

QString TTalkingBookGuide::Previous() {
    return Step(false);
}

QString TTalkingBookGuide::Step(bool forward) {
    const TDaisyBook* book = Playing();
    if (!book)
        return {};
    const double now = FPlayer.Position();
    const std::vector<Target> targets = Targets(*book);
    // The first one that starts after here; back, the one started at or before here, or within its
    // first seconds the one before it (by phrase, always the one before).
    const auto after = std::find_if(targets.begin(), targets.end(),
                                    [&](const Target& t) { return t.start > now + kAtStart; });
    std::ptrdiff_t index = after - targets.begin();
    if (!forward && --index >= 0 &&
        (FUnit.kind == BookUnit::Phrases || now - targets[std::size_t(index)].start < kBackToPrevious))
        --index;
    if (index < 0)
        return BookText(BookTextId::BookStart, FLanguage);
    if (index >= static_cast<std::ptrdiff_t>(targets.size()))
        return BookText(BookTextId::BookEnd, FLanguage);
    return MoveTo(*book, targets[std::size_t(index)]);
}

bool TTalkingBookGuide::HasPages() const {
    const TDaisyBook* book = FCore.Book();
    return book && !book->FPages.empty();
}

QString TTalkingBookGuide::GoToPage(const QString& label) {
    const TDaisyBook* book = Playing();
    if (!book)
        return {};
    if (book->FPages.empty())
        return BookText(BookTextId::NoPages, FLanguage);
    const QString wanted = label.trimmed();
    const int page = book->PageByLabel(wanted);
    if (page < 0)
        return PageMissingText(wanted.left(20), FLanguage);
    const TDaisyPage& p = book->FPages[std::size_t(page)];
    if (!FPlayer.SeekTo(StartOf(*book, p.FClip)))
        return {};
    return PageSpokenText(p.FLabel, FLanguage);
}

QString TTalkingBookGuide::CurrentPageLabel() const {
    const TDaisyBook* book = Playing();
    if (!book)
        return {};
    const int page = book->PageAt(book->ClipAt(FPlayer.Position() + kAtStart));
    return page < 0 ? QString() : book->FPages[std::size_t(page)].FLabel;
}

QString TTalkingBookGuide::WhereAmI() const {
    const TDaisyBook* book = Playing();
    if (!book)
        return {};
    const int clip = book->ClipAt(FPlayer.Position() + kAtStart);
    const int heading = book->HeadingAt(clip);
    const TDaisyHeading* h = heading < 0 ? nullptr : &book->FHeadings[std::size_t(heading)];
    return WhereAmIText(h ? h->FText : QString(), h ? h->FLevel : 0, CurrentPageLabel(), FLanguage);
}

int TTalkingBookGuide::SectionLevel() const {
    return FUnit.kind == BookUnit::Level ? FUnit.level : 1;
}

double TTalkingBookGuide::Rate() const {
    const double rate = FPlayer.GetRate();
    return rate > 0.0 && std::isfinite(rate) ? rate : 1.0;
}

QString TTalkingBookGuide::TimeLeft() const {
    const TDaisyBook* book = Playing();
    if (!book)
        return {};
    const double now = FPlayer.Position();
    const double length = std::max(book->Length(), now);
    std::optional<double> sectionLeft;
    const int heading = book->HeadingAt(book->ClipAt(now + kAtStart), SectionLevel());
    if (heading >= 0) {
        double end = length;
        for (const int h : HeadingsUpTo(*book, SectionLevel())) {
            const double start = StartOf(*book, book->FHeadings[std::size_t(h)].FClip);
            if (h > heading && start > now) {
                end = start;
                break;
            }
        }
        sectionLeft = std::max(0.0, end - now) / Rate();
    }
    return TrackLeftSpokenText(sectionLeft, (length - now) / Rate(), FLanguage);
}

QList<Place> TTalkingBookGuide::Headings() const {
    QList<Place> places;
    const TDaisyBook* book = FCore.Book();
    if (!book)
        return places;
    // Numbered per level in one pass, as a move would number each.
    constexpr int kLevels = 6;
    std::array<int, kLevels + 1> count{};
    for (const TDaisyHeading& h : book->FHeadings)
        ++count[std::size_t(std::clamp(h.FLevel, 1, kLevels))];
    std::array<int, kLevels + 1> number{};
    for (const TDaisyHeading& h : book->FHeadings) {
        const auto level = std::size_t(std::clamp(h.FLevel, 1, kLevels));
        ++number[level];
        if (h.FLevel <= SectionLevel())
            places.append(Place{StartOf(*book, h.FClip),
                                HeadingSpokenText(h.FLevel, number[level], count[level], h.FText, FLanguage),
                                PlaceKind::Chapter,
                                {},
                                {}});
    }
    return places;
}
