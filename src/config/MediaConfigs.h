#pragma once

#include "config/FileProbe.h"
#include "config/SectionedStore.h"

#include <chrono>
#include <optional>

/// The resume file "Play.ind": one section per remembered file, holding its Path and Time.
///
/// A file is remembered under the one name the file system gives it (ResolvedFilePath), so a
/// relative argument, a link or ".." find the same entry, and files whose paths reduce to the same
/// section name are told apart by their Path: the second one gets a section name with a suffix.
/// Sections without a Path are read and written through the section name of the path, as ever.
class TM3MediaConfigs : public TSectionedStore {
public:
    TM3MediaConfigs(QString fileName, QLocale regional);

    /// The path lower-cased, keeping only '0'-'9' and 'a'-'z'.
    static QString SectionName(const QString& path);
    /// Remembered seconds, 0 when none.
    double GetResumeTime(const QString& path) const;
    /// Remembers seconds for path; 0 forgets it. Paths holding CR or LF are never remembered.
    void SetResumeTime(const QString& path, double seconds);
    /// Forgets the files the system says are gone. Waits for the answers at most the purge
    /// budget in all; files not checked by then are kept.
    void Purge();

    /// The files Purge asks about, and the drop of those the answers say are gone (a path not
    /// answered is kept): its two halves, for the one purge at exit (PurgeGone).
    QStringList PurgePaths() const;
    void DropGone(const QHash<QString, TFileProbe::Entry>& answers);

    /// How the purges ask the file system, and how long they wait in all (stat(2) and 2 s unless set).
    void SetPurgeProbe(TFileProbe::Lookup lookup, std::chrono::milliseconds budget);
    const TFileProbe::Lookup& PurgeProbe() const { return FProbe; }
    std::chrono::milliseconds PurgeBudget() const { return FPurgeBudget; }

    static constexpr std::chrono::milliseconds kDefaultPurgeBudget{2000};

private:
    // What this run did to one file's entry, keyed by the Path it is stored under.
    struct Change {
        QString given;       // the path as the caller named it, for the entries of older files
        double seconds = 0;  // 0: forgotten
        bool purged = false; // forgotten because the file is gone: only entries with this Path
    };

    std::optional<QString> SectionOf(const QString& stored, const QString& given) const;
    bool Remember(const QString& stored, const QString& given, double seconds);
    bool Forget(const QString& stored, const QString& given, bool onlyByPath);
    void DropAndReindex(const QString& section);
    QString FreeSectionName(const QString& stored) const;
    QString PathIn(const QString& section) const;
    void IndexIfStale() const;
    // Journals what this run did to the entry of stored, replayed by a save over a file that
    // changed on disk meanwhile.
    void Record(const QString& stored, const Change& change);

    TFileProbe::Lookup FProbe = TFileProbe::SystemLookup;
    std::chrono::milliseconds FPurgeBudget = kDefaultPurgeBudget;
    // Stored Path -> the section holding it (the last in store order when several do).
    mutable QHash<QString, QString> FSectionOfPath;
    mutable quint64 FIndexedGeneration = ~quint64(0);
};
