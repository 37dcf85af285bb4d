#include "config/FileProbe.h"

#include "util/FileNameCodec.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <utility>

TFileProbe::TFileProbe(Lookup lookup) : FLookup(std::move(lookup)) {}

TFileProbe::Entry TFileProbe::SystemLookup(const QString& path) {
    struct stat info {};
    // The bytes the program plays the file by, not Qt's own encoding of the name.
    if (::stat(EncodeFileName(path).constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? Entry::Folder : Entry::File;
    // Only these two say that nothing is there; EACCES, EIO, ELOOP and the rest say nothing.
    return (errno == ENOENT || errno == ENOTDIR) ? Entry::Missing : Entry::Unknown;
}

bool TFileProbe::FileExists(const QString& path) {
    return Find(path) == Entry::File;
}

TFileProbe::Entry TFileProbe::Find(const QString& path) {
    // A NUL cannot be part of a file name.
    if (path.isEmpty())
        return Entry::Unknown;
    if (path.contains(QChar(u'\0')))
        return Entry::Missing;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = slash > 0 ? path.first(slash) : QString();
    auto known = folder.isEmpty() ? FFolders.end() : FFolders.find(folder);
    if (!folder.isEmpty() && known == FFolders.end() && UnderMissingRoot(folder))
        known = FFolders.insert(folder, true);
    if (known != FFolders.end() && known.value())
        return Entry::Missing;
    if (const auto listing = FListings.constFind(folder); listing != FListings.cend()) {
        const Entry listed = listing->value(path.sliced(slash + 1), Entry::Missing);
        if (listed != Entry::Unknown)
            return listed;
    }

    const Entry entry = FLookup(path);
    const bool folderUnknown = !folder.isEmpty() && known == FFolders.end();
    if (entry == Entry::File || entry == Entry::Folder) {
        if (folderUnknown)
            FFolders.insert(folder, false);
        return entry;
    }
    if (entry == Entry::Missing && folderUnknown)
        FFolders.insert(folder, ProbeFolder(folder));
    return entry;
}

bool TFileProbe::UnderMissingRoot(const QString& folder) const {
    if (FMissingRoots.isEmpty())
        return false;
    for (qsizetype slash = folder.indexOf(u'/', 1); slash > 0; slash = folder.indexOf(u'/', slash + 1)) {
        if (FMissingRoots.contains(folder.first(slash)))
            return true;
    }
    return FMissingRoots.contains(folder);
}

bool TFileProbe::ProbeFolder(const QString& folder) {
    // Walks up to the outermost missing folder, so that the album folders of an unmounted drive
    // are all known missing after the first of them.
    QString outermost;
    for (QString f = folder; !f.isEmpty();) {
        if (FLookup(f) != Entry::Missing)
            break;
        outermost = f;
        const qsizetype slash = f.lastIndexOf(u'/');
        f = slash > 0 ? f.first(slash) : QString();
    }
    if (outermost.isEmpty())
        return false;
    FMissingRoots.insert(outermost);
    return true;
}

void TFileProbe::ListFolder(const QString& folder) {
    if (folder.isEmpty() || FListings.contains(folder))
        return;
    const QByteArray encoded = EncodeFileName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), ::closedir);
    if (!dir)
        return;
    QHash<QString, Entry> entries;
    while (const dirent* e = ::readdir(dir.get())) {
        const QByteArray name(e->d_name);
        const QString decoded = DecodeFileName(name);
        // A name that did not come back as the same bytes could be taken for a missing file.
        if (EncodeFileName(decoded) != name)
            return;
        Entry entry = Entry::Unknown; // links and unknown kinds are asked through the lookup
        if (e->d_type == DT_REG)
            entry = Entry::File;
        else if (e->d_type == DT_DIR)
            entry = Entry::Folder;
        entries.insert(decoded, entry);
    }
    FListings.insert(folder, std::move(entries));
}
