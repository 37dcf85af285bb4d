#pragma once

#include "util/PathList.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

/// Whether a file name (the last path component) counts as media.
using MediaTest = std::function<bool(const QString& name)>;
/// Told of each path as it is appended to the list, on the searching thread.
using FileFound = std::function<void(const QString& path)>;

/// What a search running on a thread of its own is told and asked as it goes.
struct SearchHooks {
    FileFound found;                         // each file as it is added
    const std::atomic<bool>* stop = nullptr; // set: no further folder is entered
};

/// path made absolute against the current folder; "." dropped, ".." resolved by the file system as
/// opening the path would (text alone when that fails), links before no ".." kept; never fails.
QString AbsoluteFilePath(const QString& path);

/// Appends the absolute form of path, whatever its extension; never fails.
void AddFile(const QString& path, QStringList& files);
/// Searches path (given a trailing '/', left relative if it is) and appends its media files;
/// adds nothing when the folder cannot be read.
void AddFolder(const QString& path, const MediaTest& isMedia, QStringList& files,
               const SearchHooks& hooks = {});
/// Appends the media files below folder, which ends with '/', depth first with each folder's entries
/// in name order ignoring case; only regular files count (after links); folders that cannot be read
/// are skipped silently. A folder that is a talking book adds its root file alone (ncc.html or the
/// package) and is not searched further.
void ScanFolder(const QString& folder, const MediaTest& isMedia, QStringList& files,
                const SearchHooks& hooks = {});
/// Adds one command-line argument: a folder is searched (a book's folder adds the book), a regular
/// file (after links) is added, a book's root file as the book;
/// anything else (FIFOs, devices, sockets, nothing) adds nothing and is never opened.
void AddArgument(const QString& argument, const MediaTest& isMedia, QStringList& files,
                 const SearchHooks& hooks = {});
/// The same into the track list's own compact form.
void AddArgument(const QString& argument, const MediaTest& isMedia, TPathList& files,
                 const SearchHooks& hooks = {});
