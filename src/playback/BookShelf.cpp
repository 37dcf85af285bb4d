#include "playback/BookShelf.h"

#include "daisy/DaisyLocator.h"
#include "daisy/DaisyReader.h"

#include <QDir>
#include <QFileInfo>

bool IsBookEntry(const QString& path) {
    return IsDaisyRootName(path.mid(path.lastIndexOf(u'/') + 1));
}

std::optional<double> BookLength(const QString& path) {
    if (!IsBookEntry(path))
        return std::nullopt;
    const std::optional<TDaisyBook> book = ReadDaisyBook(path);
    if (!book || !(book->Length() > 0.0))
        return std::nullopt;
    return book->Length();
}

std::shared_ptr<const TDaisyBook> TBookShelf::Open(const QString& path) {
    if (FCurrent && FCurrent->FRootFile == QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
        return FCurrent;
    FCurrent.reset();
    if (!IsBookEntry(path))
        return nullptr;
    std::optional<TDaisyBook> book = ReadDaisyBook(path);
    if (!book)
        return nullptr;
    FCurrent = std::make_shared<const TDaisyBook>(std::move(*book));
    FTitles.insert(path, TitleOf(*FCurrent));
    return FCurrent;
}

QString TBookShelf::Title(const QString& path) {
    if (const auto known = FTitles.constFind(path); known != FTitles.cend())
        return *known;
    // The root files alone: a list of many books must not read every book's SMIL files.
    TDaisyReader reader;
    const QString title = reader.Open(path) ? TitleOf(reader.Book()) : QString();
    FTitles.insert(path, title);
    return title;
}

QString TBookShelf::TitleOf(const TDaisyBook& book) {
    const QString title = book.FTitle.simplified();
    return title.isEmpty() ? QFileInfo(book.FFolder).fileName() : title;
}

QList<MediaClip> TBookShelf::Clips(const TDaisyBook& book, bool withPageNumbers, bool withNotes) {
    QList<MediaClip> clips;
    for (const TDaisySpan& span : book.PlaySpans(withPageNumbers, withNotes))
        clips.append(MediaClip{book.FAudioFiles[std::size_t(span.FAudio)], span.FBegin, span.FEnd,
                               book.FClips[std::size_t(span.FFirstClip)].FBookStart});
    return clips;
}
