#pragma once

class QAbstractItemView;

/// Makes a view tell screen readers its current item each time it takes the focus.
///
/// Qt announces only the view itself when the focus arrives, and a screen reader then says "tree" without
/// the row the user is on; the item is announced only once the current item changes.
void AnnounceCurrentItemOnFocus(QAbstractItemView* view);
