#include "config/StorePurge.h"

#include "config/BookmarkStore.h"
#include "config/MediaConfigs.h"
#include "config/SpeedConfigs.h"
#include "config/TimedProbe.h"

#include <QSet>

void PurgeGone(TM3MediaConfigs& store) {
    TSpeedConfigs speeds(store);
    TBookmarkStore marks(store);
    // Positions first: the ones most worth their answers when time runs short.
    QStringList paths = store.PurgePaths();
    QSet<QString> asked(paths.cbegin(), paths.cend());
    for (const QStringList& more : {speeds.PurgePaths(), marks.PurgePaths()}) {
        for (const QString& path : more) {
            if (!asked.contains(path)) {
                asked.insert(path);
                paths.append(path);
            }
        }
    }
    const QHash<QString, TFileProbe::Entry> answers =
        ProbeWithin(paths, FoldersWorthListing(paths), store.PurgeProbe(), store.PurgeBudget());
    store.DropGone(answers);
    speeds.DropGone(answers);
    marks.DropGone(answers);
}
