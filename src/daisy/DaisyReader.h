#pragma once

#include "daisy/DaisyBook.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct TDaisyReadOptions {
    /// Seconds of an audio file, or nothing when unknown; when given, clips past a file's end are
    /// found. The reader opens no audio itself.
    std::function<std::optional<double>(const QString& path)> FAudioLength;
};

/// Reads a talking book in steps, so that its first clips can play while the rest is read:
/// Open() reads the root files (ncc.html, or the package and its NCX), each ReadNextSmil() one
/// SMIL file of the reading order, Finish() the rest and the places the navigation links to.
/// Whatever is wrong is noted in the book's problems and the rest is still read. Not a QObject
/// and not tied to a thread: one reader may run in a worker thread while nothing else uses it.
class TDaisyReader {
public:
    explicit TDaisyReader(TDaisyReadOptions options = {});
    ~TDaisyReader();
    TDaisyReader(const TDaisyReader&) = delete;
    TDaisyReader& operator=(const TDaisyReader&) = delete;

    /// Reads the root files of the book at path (a folder, ncc.html or a package); false when
    /// path is no talking book. A book whose root file cannot be read opens with that problem.
    bool Open(const QString& path);
    /// The SMIL files of the reading order, and how many of them are read.
    int SmilCount() const;
    int SmilsRead() const;
    /// Reads the next SMIL file; false when all were read already.
    bool ReadNextSmil();
    /// The book as far as read: metadata and the clips of the SMIL files read; no headings or
    /// pages before Finish().
    const TDaisyBook& Book() const;
    /// Reads the remaining SMIL files and places the headings and pages; the reader is spent.
    TDaisyBook Finish();

private:
    struct TState;
    std::unique_ptr<TState> F;
};

/// The whole book at path; nothing when path is no talking book.
std::optional<TDaisyBook> ReadDaisyBook(const QString& path, const TDaisyReadOptions& options = {});
