#pragma once

#include <QString>

/// The name a listener knows a track by, from what is known of it; a pure rule.
struct TrackName {
    QString titleTag; // empty when the file has none or it is not known yet
    QString path;
    int index = 0; // in the track list of count entries
    int count = 0;
    QString previousTitleTag; // of the track heard before this one; empty when none

    /// The title tag, or else the file name without its extension.
    QString Title() const;
    /// Title(), followed by the track's place in the list when its title tag is the one heard just
    /// before (letter case aside), so that each change of track sounds different.
    QString Spoken(int language) const;
};
