#include "return/JumpHistory.h"

void TJumpHistory::AboutToJump(const JumpPlace& from) {
    if (from.file.isEmpty())
        return;
    if (!FPlaces.isEmpty()) {
        const JumpPlace& last = FPlaces.last();
        if (last.file == from.file && last.index == from.index && last.seconds == from.seconds)
            return;
    }
    FPlaces.append(from);
    if (FPlaces.size() > kKept)
        FPlaces.removeFirst();
}

std::optional<JumpPlace> TJumpHistory::Back() {
    if (FPlaces.isEmpty())
        return std::nullopt;
    return FPlaces.takeLast();
}

int TJumpHistory::IndexIn(const TPathList& files, const JumpPlace& place) {
    if (place.index >= 0 && place.index < files.size() &&
        files.BytesAt(place.index) == TPathList::Encode(place.file))
        return place.index;
    return static_cast<int>(files.indexOf(place.file));
}
