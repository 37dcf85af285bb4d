#pragma once

#include "config/FileProbe.h"

#include <QHash>
#include <QStringList>

#include <chrono>

/// Asks a TFileProbe about paths on a thread of its own and waits for the answers no longer than
/// budget. A stat(2) on a share that stopped answering cannot be interrupted, so a thread that is
/// still asking at the deadline is left to itself: it owns everything it touches, and it holds
/// nothing that the rest of the process, or its exit, waits for. Internal to src/config.
///
/// folders are listed first (TFileProbe::ListFolder); the answers are those found in time, one per
/// path answered; a path without an answer was not checked.
QHash<QString, TFileProbe::Entry> ProbeWithin(const QStringList& paths, const QStringList& folders,
                                              const TFileProbe::Lookup& lookup,
                                              std::chrono::milliseconds budget);

/// The folders of paths that hold enough of them for one listing to cost less than a question
/// each (an album with many remembered tracks).
QStringList FoldersWorthListing(const QStringList& paths);
