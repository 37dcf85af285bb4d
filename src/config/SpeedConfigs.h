#pragma once

#include "config/FileProbe.h"
#include "config/PathSections.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class TSectionedStore;

/// The playback rates remembered per folder, kept in the resume file beside the positions: one
/// section "[Speed:<name>]" per folder, holding its Folder and its Rate. The ':' keeps these names
/// apart from every name a file's path reduces to, and the missing Path entry keeps them out of
/// reach of the position rules, whose purge leaves such sections alone in every build.
///
/// Everything goes through the store's public writers, which SaveToDisk replays over the file on
/// disk, so two instances that each set a folder's rate both keep theirs.
class TSpeedConfigs {
public:
    explicit TSpeedConfigs(TSectionedStore& store);

    /// The rate remembered for folder (a resolved path without the final '/'); nullopt when none,
    /// when the stored value cannot be read, or when the speed keys could never set it.
    std::optional<double> RateOf(const QString& folder) const;
    /// Remembers rate for folder; a folder holding CR or LF is never remembered.
    void SetRate(const QString& folder, double rate);
    /// Forgets the folders the system says are gone (nothing at the path); any other answer, or no
    /// answer within budget, keeps the entry.
    void Purge(const TFileProbe::Lookup& lookup = TFileProbe::SystemLookup,
               std::chrono::milliseconds budget = std::chrono::milliseconds(1000));

    /// The folders the purge asks about, and the drop of those the answers say are gone: the
    /// two halves of Purge, for the one purge at exit that asks about every kind at once.
    QStringList PurgePaths() const;
    void DropGone(const QHash<QString, TFileProbe::Entry>& answers);

    /// The section name prefix; a path reduced to a section name never holds its ':'.
    static constexpr const char* kSectionPrefix = "Speed:";

private:
    TSectionedStore& FStore;
    TPathSections FSections;
};
