#include "return/SessionRestore.h"

#include "config/SortTypes.h"
#include "playlist/PlaylistOrder.h"

#include <QHash>

#include <algorithm>

namespace {

// The built list in the stored order; duplicates are matched one for one.
QStringList InStoredOrder(const QStringList& built, const QStringList& order) {
    QHash<QString, QList<qsizetype>> left; // path -> its indexes in built not yet placed
    for (qsizetype i = 0; i < built.size(); ++i)
        left[built[i]].append(i);
    QList<bool> placed(built.size(), false);
    QStringList out;
    out.reserve(built.size());
    for (const QString& path : order) {
        const auto it = left.find(path);
        if (it == left.end() || it->isEmpty())
            continue;
        const qsizetype i = it->takeFirst();
        placed[i] = true;
        out.append(built[i]);
    }
    for (qsizetype i = 0; i < built.size(); ++i) {
        if (!placed[i])
            out.append(built[i]);
    }
    return out;
}

} // namespace

std::optional<RestoredSession> RebuildSession(const SessionState& state, const MediaTest& isMedia,
                                              const QCollator& collator) {
    RestoredSession restored;
    for (const QString& argument : state.arguments)
        AddArgument(argument, isMedia, restored.files);
    if (restored.files.isEmpty())
        return std::nullopt;
    if (state.sortType == kSortAlphabetical)
        SortPaths(restored.files, collator);
    if (!state.order.isEmpty())
        restored.files = InStoredOrder(restored.files, state.order);
    if (state.current.isEmpty() || state.index < 0)
        return restored;
    const qsizetype count = restored.files.size();
    if (state.index < count && restored.files[state.index] == state.current) {
        restored.current = state.index;
    } else if (const qsizetype found = restored.files.indexOf(state.current); found >= 0) {
        restored.current = static_cast<int>(found);
    } else {
        restored.current = static_cast<int>(std::min<qsizetype>(state.index, count - 1));
        return restored;
    }
    restored.seconds = state.seconds;
    return restored;
}
