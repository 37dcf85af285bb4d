#pragma once

// Writes small talking books for the tests and large ones for the benchmarks: the audio as WAV
// tones, one SMIL file per section, and the navigation of DAISY 2.02 (ncc.html) or DAISY 3
// (package, NCX).

#include <QString>

#include <vector>

enum class TBookFormat { Daisy202, Daisy3 };

/// What a phrase is: read as text, or a part a listener may skip.
enum class TBookPart { Text, PageNumber, Note, NoteReference, ProducerNote, Sidebar, Annotation };

enum class TBookPageKind { Normal, Front, Special };

struct TBookPhrase {
    int FAudio = 0; // index into TBookPlan::FAudio
    double FBegin = 0;
    double FEnd = 0;
    TBookPart FPart = TBookPart::Text;
    QString FPage; // a page number phrase: the page's label, which the navigation lists
    TBookPageKind FPageKind = TBookPageKind::Normal;
};

/// One SMIL file, starting with a heading.
struct TBookSection {
    int FLevel = 1;
    QString FHeading;
    std::vector<TBookPhrase> FPhrases;
};

struct TBookAudio {
    QString FName;   // relative to the book's folder
    double FSeconds; // of tone actually written; clips may name later times of a short file
};

struct TBookPlan {
    TBookFormat FFormat = TBookFormat::Daisy202;
    QString FTitle;
    QString FCreator;
    std::vector<TBookAudio> FAudio;
    std::vector<TBookSection> FSections;
};

/// Writes the book into folder (which must exist); false when a file cannot be written. The
/// SMIL files are "s0001.smil"..., the par of the n-th phrase of section s has the id "p<s>_<n>".
bool WriteDaisyBook(const QString& folder, const TBookPlan& plan);

/// A small book: three heading levels, normal and front pages ("iv"), a note, a producer's note
/// and a sidebar, three audio files, one of them cut into clips across two sections.
TBookPlan SampleBookPlan(TBookFormat format);

/// A long book: `sections` SMIL files of `phrases / sections` phrases each, `hours` long, its
/// clips spread over `audioFiles` short WAVs, levels 1 to 3 and one page per section.
TBookPlan LargeBookPlan(TBookFormat format, int sections, int phrases, double hours, int audioFiles);
