#pragma once

#include "formats/AsxPlaylist.h"

#include <QByteArray>
#include <QString>

#include <vector>

/// The loadfile options a timeline must be opened with: mpv builds timelines only where a file may
/// refer to others, which stays off for every other file.
inline constexpr char kTimelineLoadOptions[] = "access-references=yes";
/// True for an argument made by TimelineArgument.
inline bool IsTimelineArgument(const QByteArray& argument) {
    return argument.startsWith("edl://");
}
/// The property that names the timeline entry playing now.
inline constexpr char kTimelineTitleProperty[] = "chapter-metadata/by-key/title";

/// The argument that makes mpv play `entries` one after another as one file of their summed
/// length, each entry a chapter with the entry's title; MIDI entries go through the synthesiser.
/// With no entries it names a timeline that fails to open, so the file ends as unplayable.
QByteArray TimelineArgument(const std::vector<AsxEntry>& entries);
/// TimelineArgument for the local entries of the metafile at `path` (AsxPlaylist::LocalEntries).
QByteArray MetafileTimelineArgument(const QString& path);
