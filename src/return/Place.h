#pragma once

#include "config/BookmarkStore.h"

#include <QList>
#include <QString>

/// What a place of a file is: the places list removes and names bookmarks only.
enum class PlaceKind { Bookmark, Chapter };

/// One entry of a file's places list, as the list shows it.
struct Place {
    double seconds = 0;
    QString label; // what the list shows and a screen reader speaks
    PlaceKind kind = PlaceKind::Bookmark;
    QString key;  // a bookmark's entry; empty for a chapter
    QString name; // a bookmark's name, empty when it has none
};

/// The bookmarks as places, labelled in language; in their own (time) order.
QList<Place> BookmarkPlaces(const QList<Bookmark>& bookmarks, int language);
/// Puts places in time order; at one time, a chapter comes before a bookmark.
void SortPlaces(QList<Place>& places);
