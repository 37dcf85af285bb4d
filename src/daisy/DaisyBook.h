#pragma once

#include <QString>

#include <cstdint>
#include <vector>

enum class TDaisyFormat { Daisy202, Daisy3 };

/// What a clip is in the book's structure; all but Text may be passed over at the listener's wish.
enum class TDaisyRole : std::uint8_t {
    Text,
    PageNumber,
    Note,
    NoteReference,
    Annotation,
    ProducerNote,
    Sidebar
};

/// The "read notes" option covers every role but the text and the page numbers.
inline bool IsNoteRole(TDaisyRole role) {
    return role != TDaisyRole::Text && role != TDaisyRole::PageNumber;
}

/// One audio clip of the reading order, which is also one phrase.
struct TDaisyClip {
    int FAudio = 0;        // index into TDaisyBook::FAudioFiles
    double FBegin = 0;     // seconds in the audio file
    double FEnd = 0;       // seconds in the audio file, > FBegin
    double FBookStart = 0; // seconds of book time before this clip
    TDaisyRole FRole = TDaisyRole::Text;
    double Length() const { return FEnd - FBegin; }
    friend bool operator==(const TDaisyClip&, const TDaisyClip&) = default;
};

struct TDaisyHeading {
    QString FText;
    int FLevel = 1; // 1 to 6
    int FClip = 0;  // the clip where it starts
};

enum class TDaisyPageKind : std::uint8_t { Normal, Front, Special };

struct TDaisyPage {
    QString FLabel; // as printed: "12", "iv", "A-3"
    TDaisyPageKind FKind = TDaisyPageKind::Normal;
    int FClip = 0;
};

/// Contiguous clips of one audio file, played as one stretch.
struct TDaisySpan {
    int FAudio = 0;
    double FBegin = 0;
    double FEnd = 0;
    int FFirstClip = 0;
    int FClipCount = 0;
    friend bool operator==(const TDaisySpan&, const TDaisySpan&) = default;
};

/// A place in the book: a clip and the position in its audio file.
struct TDaisyPlace {
    int FClip = -1; // -1 in a book without clips
    double FFileOffset = 0;
};

enum class TDaisyProblemCode {
    UnreadableFile, // a root file, package, NCX or SMIL that exists but cannot be read or parsed
    MissingFile,    // a SMIL or NCX the book names that does not exist
    MissingAudio,   // an audio file a clip names that does not exist
    UnsafeSource,   // a source outside the book's folder, absolute, remote, or no regular file
    MissingTarget,  // a link to an id its SMIL lacks, or to a SMIL outside the reading order
    BadClock,       // a clip time that cannot be read, or a clip without its end
    ReversedClip,   // a clip that ends before it begins
    ClipPastEnd,    // a clip beyond the end of its audio file
    NoAudio,        // nothing in the book can be played
};

struct TDaisyProblem {
    TDaisyProblemCode FCode;
    QString FItem; // the file, "file#id" or clip concerned, as the book names it
    friend bool operator==(const TDaisyProblem&, const TDaisyProblem&) = default;
};

/// A talking book as read: its metadata, reading order, headings and pages, and what was wrong
/// with it. Headings and pages are ordered by clip; every clip index held is a valid index.
struct TDaisyBook {
    TDaisyFormat FFormat = TDaisyFormat::Daisy202;
    QString FRootFile; // ncc.html or the package file, absolute
    QString FFolder;   // the book's folder, absolute; every audio file lies inside it
    QString FTitle;
    QString FCreator;
    std::vector<QString> FAudioFiles; // absolute paths
    std::vector<TDaisyClip> FClips;
    std::vector<TDaisyHeading> FHeadings;
    std::vector<TDaisyPage> FPages;
    std::vector<TDaisyProblem> FProblems; // each problem once, the first kMaxProblems of them
    int FProblemsLeftOut = 0;             // problems beyond kMaxProblems

    static constexpr int kMaxProblems = 200;

    /// The audio file of the clip.
    const QString& AudioFile(const TDaisyClip& clip) const { return FAudioFiles[std::size_t(clip.FAudio)]; }
    /// Seconds of book time; 0 without clips.
    double Length() const;
    /// The deepest heading level, 0 without headings.
    int Depth() const;

    /// The clip playing at this book time (clamped into the book); -1 without clips.
    int ClipAt(double bookTime) const;
    /// The clip and file position of a book time (clamped into the book).
    TDaisyPlace PlaceAt(double bookTime) const;
    /// The book time of a position in a clip's audio file (clamped into the clip); 0 for an invalid clip.
    double BookTime(int clip, double fileOffset) const;

    /// The book time of a position in the audio file of a span being played (clamped into the span).
    double SpanBookTime(const TDaisySpan& span, double fileOffset) const;

    /// The last heading of level maxLevel or less that starts at or before the clip; -1 if none.
    int HeadingAt(int clip, int maxLevel = 6) const;
    /// The last page that starts at or before the clip; -1 if none.
    int PageAt(int clip) const;
    /// The first page with this label (letter case ignored); -1 if none.
    int PageByLabel(const QString& label) const;

    /// The stretches to play, in reading order: contiguous clips of one file merged, clips of
    /// page numbers and of notes left out as asked.
    std::vector<TDaisySpan> PlaySpans(bool withPageNumbers = true, bool withNotes = true) const;
};
