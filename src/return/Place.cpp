#include "return/Place.h"

#include "texts/ReturnTexts.h"

#include <algorithm>

QList<Place> BookmarkPlaces(const QList<Bookmark>& bookmarks, int language) {
    QList<Place> places;
    places.reserve(bookmarks.size());
    for (const Bookmark& mark : bookmarks)
        places.append(Place{mark.seconds, BookmarkLabel(mark.number, mark.name, mark.seconds, language),
                            PlaceKind::Bookmark, mark.key, mark.name});
    return places;
}

void SortPlaces(QList<Place>& places) {
    std::stable_sort(places.begin(), places.end(), [](const Place& x, const Place& y) {
        if (x.seconds != y.seconds)
            return x.seconds < y.seconds;
        return x.kind == PlaceKind::Chapter && y.kind == PlaceKind::Bookmark;
    });
}
