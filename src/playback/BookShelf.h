#pragma once

#include "daisy/DaisyBook.h"
#include "engine/MediaControl.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

/// Whether a list entry names a talking book: its root file (ncc.html or a package).
bool IsBookEntry(const QString& path);

/// The length of the book whose root file is path, for the time left in the list; read whole, so
/// off the UI thread. Nothing when path is no book or it has no audio.
std::optional<double> BookLength(const QString& path);

/// The talking books of the track list: the one playing, read whole once, and the titles the list
/// shows, read from each book's root file when first asked.
class TBookShelf {
public:
    /// The book whose root file is path, read now unless it is the one open already; null when
    /// path is no talking book. It becomes the current book.
    std::shared_ptr<const TDaisyBook> Open(const QString& path);
    /// The current track is no book.
    void Leave() { FCurrent.reset(); }
    /// The book playing, or null.
    const TDaisyBook* Current() const { return FCurrent.get(); }
    /// The name a book is listed by: its title, else its folder's name.
    QString Title(const QString& path);

    /// What the control plays of book: its clips in reading order, touching ones of a file joined,
    /// page numbers and notes left out unless asked for; each at its book time.
    static QList<MediaClip> Clips(const TDaisyBook& book, bool withPageNumbers, bool withNotes);
    /// The book's title for the list and the desktop, never empty.
    static QString TitleOf(const TDaisyBook& book);

private:
    std::shared_ptr<const TDaisyBook> FCurrent;
    QHash<QString, QString> FTitles;
};
