#pragma once

#include "config/SectionedStore.h"

/// The resume file "Play.ind": one section per remembered file, holding its Path and Time.
class TM3MediaConfigs : public SectionedStore {
public:
    using SectionedStore::SectionedStore;

    /// The path lower-cased, keeping only '0'-'9' and 'a'-'z'.
    static QString SectionName(const QString& path);
    /// Remembered seconds, 0 when none.
    double GetResumeTime(const QString& path) const;
    /// Remembers seconds for path; 0 forgets it. Paths holding CR or LF are never remembered.
    void SetResumeTime(const QString& path, double seconds);
    /// Forgets the files that no longer exist.
    void Purge();
};
