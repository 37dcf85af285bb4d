#pragma once

#include <QString>

/// The one name the file system gives the file at path: absolute (a relative path is taken from
/// the current folder), with links, "." and ".." resolved by the system as it would open it, not
/// by text. For a path that does not resolve (the file or a folder on the way is missing), the
/// longest leading part that does is resolved and the rest kept, without "." or empty parts.
/// Paths are in the form of DecodeFileName; an empty path, or one holding a NUL, is returned as is.
QString ResolvedFilePath(const QString& path);

/// path made absolute against the current folder as it was typed: "." dropped, links kept, and
/// only the part up to the last ".." left to the system (a link's ".." is its target's parent);
/// the text alone when that part does not resolve. Never fails.
QString TypedAbsolutePath(const QString& path);
