#pragma once

#include <QString>

/// The texts of the last session, the bookmarks and the way back, in the program's two languages.
enum class ReturnTextId {
    NothingToRestore,
    PlacesCaption,
    NoPlaces,
    NameCaption,
    NamePrompt,
    NothingToGoBack,
};

/// The text in the given language (Spanish for 2, Italian otherwise).
QString ReturnText(ReturnTextId id, int language);

/// "Segnalibro 3" for the third bookmark of a file.
QString BookmarkTitle(int number, int language);
/// "Segnalibro 3, 12 min  5 sec": a bookmark just added, or an unnamed one in the places list; a
/// named one is its name and time. Throws std::invalid_argument for a negative or unknown time.
QString BookmarkLabel(int number, const QString& name, double seconds, int language);
/// "Ritorno a 12 min  5 sec", after going back to an earlier place.
QString WentBackText(double seconds, int language);
