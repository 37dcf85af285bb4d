#include "daisy/DaisyReader.h"

#include "daisy/DaisyFolder.h"
#include "daisy/DaisyLocator.h"
#include "daisy/DaisyNavigation.h"
#include "daisy/DaisySmil.h"
#include "daisy/DaisyXml.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// Root files and SMIL files of real books are well below these; larger ones are not read at all.
constexpr qint64 kMaxRootBytes = 32 << 20;
constexpr qint64 kMaxSmilBytes = 32 << 20;
// A clip may overrun its file's measured length by this much before it is called past the end:
// compressed files are measured to within a frame or two.
constexpr double kLengthTolerance = 0.1;

struct TSmilFile {
    QString FLink; // as the book names it
    QString FPath; // empty when missing or refused
    QSet<QString> FWanted;
    QHash<QString, std::pair<int, int>> FTargets; // book clip indices
    int FStart = 0;                               // the first clip of the book at or after it
};

struct TPendingItem {
    TNavItem FItem;
    int FSmil = -1;
};

} // namespace

struct TDaisyReader::TState {
    TDaisyReadOptions FOptions;
    TDaisyBook FBook;
    TDaisyFolder FFolder{QString()};
    std::vector<TSmilFile> FSmils;
    QHash<QString, int> FSmilIndex; // path -> index in FSmils
    std::vector<TPendingItem> FItems;
    int FRead = 0;
    QHash<QString, int> FAudioIndex; // SMIL folder + "\n" + src -> index in FAudioFiles, -1 refused
    QHash<QString, int> FAudioByPath;
    std::vector<std::optional<double>> FAudioLengths;
    std::vector<bool> FLengthAsked;
    QSet<QPair<int, QString>> FProblemsSeen;

    void Problem(TDaisyProblemCode code, const QString& item) {
        if (FProblemsSeen.contains({int(code), item}))
            return;
        FProblemsSeen.insert({int(code), item}); // also beyond the cap, so each is counted once
        if (static_cast<int>(FBook.FProblems.size()) >= TDaisyBook::kMaxProblems) {
            ++FBook.FProblemsLeftOut;
            return;
        }
        FBook.FProblems.push_back({code, item});
    }

    /// The SMIL file a link names from `base`, added to the reading order when `order` says so.
    int SmilOf(const QString& base, const QString& link, bool order) {
        const QString file = LinkFile(link);
        if (file.isEmpty())
            return -1;
        const TDaisyFolder::TResolved resolved = FFolder.Resolve(base, file);
        const QString key = resolved.FPath.isEmpty() ? base + QLatin1Char('\n') + file : resolved.FPath;
        if (const auto known = FSmilIndex.constFind(key); known != FSmilIndex.constEnd())
            return *known;
        if (!order)
            return -1;
        if (resolved.FVerdict == TDaisyFolder::TVerdict::Missing)
            Problem(TDaisyProblemCode::MissingFile, file);
        else if (resolved.FVerdict == TDaisyFolder::TVerdict::Unsafe)
            Problem(TDaisyProblemCode::UnsafeSource, file);
        FSmils.push_back({file, resolved.FPath, {}, {}, 0});
        FSmilIndex.insert(key, static_cast<int>(FSmils.size()) - 1);
        return static_cast<int>(FSmils.size()) - 1;
    }

    void AddItems(const TNavigation& nav, const QString& base) {
        for (const TNavItem& item : nav.FItems) {
            const int smil = SmilOf(base, item.FLink, false);
            if (smil < 0) {
                if (!item.FLink.isEmpty())
                    Problem(TDaisyProblemCode::MissingTarget, item.FLink);
                continue;
            }
            const QString id = LinkFragment(item.FLink);
            if (!id.isEmpty())
                FSmils[std::size_t(smil)].FWanted.insert(id);
            FItems.push_back({item, smil});
        }
    }

    bool OpenNcc(const QString& root) {
        const std::optional<QByteArray> bytes = ReadRegularFile(root, kMaxRootBytes);
        const TXmlDoc doc = bytes ? ParseHtmlDocument(*bytes) : nullptr;
        if (!doc) {
            Problem(TDaisyProblemCode::UnreadableFile, QFileInfo(root).fileName());
            return true;
        }
        const TNavigation nav = ReadNcc(doc.get());
        FBook.FTitle = nav.FTitle;
        FBook.FCreator = nav.FCreator;
        // Links to anything but SMIL files (a producer's web page, say) are no part of the reading order.
        for (const QString& link : nav.FLinks)
            if (LinkFile(link).endsWith(QLatin1String(".smil"), Qt::CaseInsensitive))
                SmilOf(FFolder.Root(), link, true);
        AddItems(nav, FFolder.Root());
        return true;
    }

    bool OpenPackage(const QString& root) {
        const std::optional<QByteArray> bytes = ReadRegularFile(root, kMaxRootBytes);
        const TXmlDoc doc = bytes ? ParseXmlDocument(*bytes) : nullptr;
        const TPackage package = ReadPackage(doc.get());
        FBook.FTitle = package.FTitle;
        FBook.FCreator = package.FCreator;
        for (const QString& link : package.FSpine)
            SmilOf(FFolder.Root(), link, true);
        const TDaisyFolder::TResolved ncx = FFolder.Resolve(FFolder.Root(), package.FNcx);
        if (ncx.FVerdict != TDaisyFolder::TVerdict::Found) {
            Problem(ncx.FVerdict == TDaisyFolder::TVerdict::Missing ? TDaisyProblemCode::MissingFile
                                                                    : TDaisyProblemCode::UnsafeSource,
                    package.FNcx);
            return true;
        }
        const std::optional<QByteArray> ncxBytes = ReadRegularFile(ncx.FPath, kMaxRootBytes);
        const TXmlDoc ncxDoc = ncxBytes ? ParseXmlDocument(*ncxBytes) : nullptr;
        if (!ncxDoc) {
            Problem(TDaisyProblemCode::UnreadableFile, package.FNcx);
            return true;
        }
        const TNavigation nav = ReadNcx(ncxDoc.get());
        if (FBook.FTitle.isEmpty())
            FBook.FTitle = nav.FTitle;
        if (FBook.FCreator.isEmpty())
            FBook.FCreator = nav.FCreator;
        AddItems(nav, QFileInfo(ncx.FPath).absolutePath());
        return true;
    }

    /// The index of the audio file a clip names, or -1 when it cannot be played.
    int AudioOf(const QString& smilFolder, const QString& src) {
        const QString key = smilFolder + QLatin1Char('\n') + src;
        if (const auto known = FAudioIndex.constFind(key); known != FAudioIndex.constEnd())
            return *known;
        const TDaisyFolder::TResolved resolved = FFolder.Resolve(smilFolder, src);
        int index = -1;
        if (resolved.FVerdict == TDaisyFolder::TVerdict::Found) {
            index = FAudioByPath.value(resolved.FPath, -1);
            if (index < 0) {
                index = static_cast<int>(FBook.FAudioFiles.size());
                FAudioByPath.insert(resolved.FPath, index);
                FBook.FAudioFiles.push_back(resolved.FPath);
                FAudioLengths.emplace_back();
                FLengthAsked.push_back(false);
            }
        } else {
            Problem(resolved.FVerdict == TDaisyFolder::TVerdict::Missing ? TDaisyProblemCode::MissingAudio
                                                                         : TDaisyProblemCode::UnsafeSource,
                    src);
        }
        FAudioIndex.insert(key, index);
        return index;
    }

    std::optional<double> LengthOf(int audio) {
        if (!FOptions.FAudioLength)
            return std::nullopt;
        if (!FLengthAsked[std::size_t(audio)]) {
            FLengthAsked[std::size_t(audio)] = true;
            FAudioLengths[std::size_t(audio)] = FOptions.FAudioLength(FBook.FAudioFiles[std::size_t(audio)]);
        }
        return FAudioLengths[std::size_t(audio)];
    }

    void ReadSmilFile(TSmilFile& smil) {
        smil.FStart = static_cast<int>(FBook.FClips.size());
        if (smil.FPath.isEmpty())
            return;
        const std::optional<QByteArray> bytes = ReadRegularFile(smil.FPath, kMaxSmilBytes);
        const TXmlDoc doc = bytes ? ParseXmlDocument(*bytes) : nullptr;
        if (!doc) {
            Problem(TDaisyProblemCode::UnreadableFile, smil.FLink);
            return;
        }
        const TSmilContents contents = ReadSmil(doc.get(), smil.FWanted, smil.FLink);
        for (const TDaisyProblem& problem : contents.FProblems)
            Problem(problem.FCode, problem.FItem);
        const QString folder = QFileInfo(smil.FPath).absolutePath();
        // The book's index of each of the file's clips, or of the next one kept after it.
        std::vector<int> bookIndex(contents.FClips.size() + 1);
        for (std::size_t i = 0; i < contents.FClips.size(); ++i) {
            bookIndex[i] = static_cast<int>(FBook.FClips.size());
            AddClip(contents.FClips[i], folder, smil.FLink);
        }
        bookIndex.back() = static_cast<int>(FBook.FClips.size());
        for (auto target = contents.FTargets.constBegin(); target != contents.FTargets.constEnd(); ++target)
            smil.FTargets.insert(target.key(), {bookIndex[std::size_t(target->first)],
                                                bookIndex[std::size_t(target->second)]});
    }

    void AddClip(const TSmilClip& clip, const QString& folder, const QString& smilLink) {
        const int audio = AudioOf(folder, clip.FSrc);
        if (audio < 0)
            return;
        double end = clip.FEnd;
        if (const std::optional<double> length = LengthOf(audio)) {
            if (clip.FBegin >= *length) {
                Problem(TDaisyProblemCode::ClipPastEnd, smilLink + QStringLiteral(": ") + clip.FSrc);
                return;
            }
            if (end > *length + kLengthTolerance)
                Problem(TDaisyProblemCode::ClipPastEnd, smilLink + QStringLiteral(": ") + clip.FSrc);
            end = std::min(end, *length);
        }
        const double start = FBook.Length();
        FBook.FClips.push_back({audio, clip.FBegin, end, start, clip.FRole});
    }

    void PlaceItems() {
        const int clips = static_cast<int>(FBook.FClips.size());
        for (const TPendingItem& pending : FItems) {
            const TSmilFile& smil = FSmils[std::size_t(pending.FSmil)];
            const QString id = LinkFragment(pending.FItem.FLink);
            std::pair<int, int> range{smil.FStart, smil.FStart};
            if (!id.isEmpty() && !smil.FPath.isEmpty()) {
                const auto found = smil.FTargets.constFind(id);
                if (found == smil.FTargets.constEnd())
                    Problem(TDaisyProblemCode::MissingTarget, pending.FItem.FLink);
                else
                    range = *found;
            }
            // A place with no audio after it cannot be gone to; one before the end goes to the next clip.
            if (range.first >= clips)
                continue;
            const TNavItem& item = pending.FItem;
            if (item.FKind == TNavItem::TKind::Heading)
                FBook.FHeadings.push_back({item.FText, item.FLevel, range.first});
            else if (item.FKind == TNavItem::TKind::Page)
                FBook.FPages.push_back({item.FText, item.FPageKind, range.first});
            for (int i = range.first; item.FKind == TNavItem::TKind::Role && i < range.second; ++i)
                if (FBook.FClips[std::size_t(i)].FRole == TDaisyRole::Text)
                    FBook.FClips[std::size_t(i)].FRole = item.FRole;
        }
        const auto byClip = [](const auto& a, const auto& b) { return a.FClip < b.FClip; };
        std::stable_sort(FBook.FHeadings.begin(), FBook.FHeadings.end(), byClip);
        std::stable_sort(FBook.FPages.begin(), FBook.FPages.end(), byClip);
    }
};

TDaisyReader::TDaisyReader(TDaisyReadOptions options) : F(std::make_unique<TState>()) {
    F->FOptions = std::move(options);
}

TDaisyReader::~TDaisyReader() = default;

bool TDaisyReader::Open(const QString& path) {
    const std::optional<TDaisyLocation> location = LocateDaisyBook(path);
    if (!location)
        return false;
    F->FBook.FFormat = location->FFormat;
    F->FBook.FRootFile = location->FRootFile;
    F->FBook.FFolder = QFileInfo(location->FRootFile).absolutePath();
    F->FFolder = TDaisyFolder(F->FBook.FFolder);
    if (location->FFormat == TDaisyFormat::Daisy202)
        F->OpenNcc(location->FRootFile);
    else
        F->OpenPackage(location->FRootFile);
    if (F->FBook.FTitle.isEmpty())
        F->FBook.FTitle = QFileInfo(F->FBook.FFolder).fileName();
    return true;
}

int TDaisyReader::SmilCount() const {
    return static_cast<int>(F->FSmils.size());
}

int TDaisyReader::SmilsRead() const {
    return F->FRead;
}

bool TDaisyReader::ReadNextSmil() {
    if (F->FRead >= SmilCount())
        return false;
    F->ReadSmilFile(F->FSmils[std::size_t(F->FRead++)]);
    return true;
}

const TDaisyBook& TDaisyReader::Book() const {
    return F->FBook;
}

TDaisyBook TDaisyReader::Finish() {
    while (ReadNextSmil()) {
    }
    F->PlaceItems();
    if (F->FBook.FClips.empty())
        F->Problem(TDaisyProblemCode::NoAudio, QFileInfo(F->FBook.FRootFile).fileName());
    return std::move(F->FBook);
}

std::optional<TDaisyBook> ReadDaisyBook(const QString& path, const TDaisyReadOptions& options) {
    TDaisyReader reader(options);
    if (!reader.Open(path))
        return std::nullopt;
    return reader.Finish();
}
