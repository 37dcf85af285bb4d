#pragma once

#include "daisy/DaisyBook.h"

#include <QString>
#include <QStringList>

#include <optional>

/// Where a talking book starts: its format and its root file.
struct TDaisyLocation {
    TDaisyFormat FFormat = TDaisyFormat::Daisy202;
    QString FRootFile; // ncc.html (2.02) or the package file (3), absolute
    friend bool operator==(const TDaisyLocation&, const TDaisyLocation&) = default;
};

/// Whether a file name is that of a book's root file: ncc.html or ncc.htm (any letter case) or
/// a package (".opf"); a name alone, so a package may still turn out to be no DAISY 3 book.
bool IsDaisyRootName(const QString& name);

/// The book's own sort key: its folder, so that books sort among themselves as their folders do.
QString DaisySortPath(const QString& path);

/// Whether path is a talking book: a folder holding ncc.html or ncc.htm (any letter case), or a
/// DAISY 3 package (an OPF whose dc:Format is Z39.86-2005 or -2002, with its NCX); or such a
/// file itself. Nothing for anything else. Reads no more than the folder's listing and its
/// package files, which are small, so it can be asked of every folder met while searching.
std::optional<TDaisyLocation> LocateDaisyBook(const QString& path);

/// The same for a folder whose file names the caller has already listed.
std::optional<TDaisyLocation> LocateDaisyBookIn(const QString& folder, const QStringList& fileNames);
