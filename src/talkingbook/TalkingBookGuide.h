#pragma once

#include "return/Place.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class TM3GeneralConfigs;
class TMyPlayer;
class TPlayerCore;
struct TDaisyBook;

/// What the move keys step through in a talking book: headings up to a level, pages or phrases.
struct BookUnit {
    enum Kind { Level, Pages, Phrases };
    Kind kind = Level;
    int level = 1; // for Level: headings of levels 1 to this one
    friend bool operator==(const BookUnit&, const BookUnit&) = default;
};

/// Where the listener is in a talking book and the moves through it: the unit the move keys use,
/// the moves by heading, page and phrase, a page by its label, where am I, the time left in the
/// section and the headings for the places list. Each command returns what is to be said once
/// (empty: nothing), in the language given at construction; positions move only through the
/// player, in book time.
class TTalkingBookGuide {
public:
    /// How close to a start counts as at it: a seek may land a hair before.
    static constexpr double kAtStart = 0.1;
    /// Within this much of a heading's or page's start, going back goes to the one before.
    static constexpr double kBackToPrevious = 3.0;

    TTalkingBookGuide(TPlayerCore& core, const TM3GeneralConfigs& options, int language);

    /// A track started: a book other than the last one opens at Level 1. Returns what is wrong
    /// with a newly opened book, in one notice; empty when nothing is, or it is no new book.
    QString TrackStarted();
    /// The current book's audio files, whose lengths tell whether its clips lie inside them.
    QStringList AudioFiles() const;
    /// An audio file's length is known: what is wrong when a clip of the current book lies past
    /// its end; said once per book, the rest of which plays on.
    QString AudioLengthRead(const QString& path, double seconds);
    /// Whether the current track is a book the keys act on.
    bool Active() const;

    /// The next or previous unit of the cycle Level 1 ... Level N, Pages (when the book has
    /// them), Phrases; says its name.
    QString CycleUnit(bool forward);
    BookUnit Unit() const { return FUnit; }

    /// To the next unit's start; at the book's end nothing moves.
    QString Next();
    /// To the current heading's or page's start, or within its first kBackToPrevious seconds to
    /// the one before; by phrase, to the previous phrase. At the book's start nothing moves.
    QString Previous();
    /// To the start of the page labelled label (letter case aside).
    QString GoToPage(const QString& label);
    /// The label of the page being heard; empty before the first page or without pages.
    QString CurrentPageLabel() const;
    /// Whether the book has pages to go to.
    bool HasPages() const;
    /// The current heading with its level, and the current page.
    QString WhereAmI() const;
    /// The rest of the current section (at the unit's level, Level 1 for pages and phrases) and of
    /// the book, at the current speed.
    QString TimeLeft() const;
    /// The book's headings up to the unit's level, as places.
    QList<Place> Headings() const;

private:
    /// A place the unit stops at: its book time and which heading, page or clip it is.
    struct Target {
        double start;
        int index;
    };
    /// The places the unit moves through, in order; worded only once one is reached.
    std::vector<Target> Targets(const TDaisyBook& book) const;
    QString MoveTo(const TDaisyBook& book, const Target& target);
    /// Next or Previous.
    QString Step(bool forward);
    /// The current track's book while it is open, else null.
    const TDaisyBook* Playing() const;
    /// Headings of levels 1 to level: their indices in the book.
    static std::vector<int> HeadingsUpTo(const TDaisyBook& book, int level);
    /// The level the sections are counted at.
    int SectionLevel() const;
    double Rate() const;

    TPlayerCore& FCore;
    TMyPlayer& FPlayer;
    const TM3GeneralConfigs& FOptions;
    int FLanguage;
    BookUnit FUnit;
    QString FBookRoot;             // the book the unit belongs to
    bool FPastEndSaid = false;     // a clip past its file's end, said for this book
    std::vector<double> FLastEnds; // per audio file of the book, where its last clip ends
};
