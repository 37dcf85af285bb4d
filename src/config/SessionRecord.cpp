#include "config/SessionRecord.h"

#include "util/IgnoreFailure.h"

#include "config/PathSections.h"
#include "config/SectionedStore.h"
#include "config/SortTypes.h"
#include "config/StoreText.h"
#include "util/FileIdentity.h"

namespace {

const QString IdKey = QStringLiteral("Id");
const QString SortKey = QStringLiteral("Sort");
const QString PlaceKey = QStringLiteral("Place");
const QString ArgumentKey = QStringLiteral("Arg");
const QString OrderKey = QStringLiteral("Order");
// A list of tens of thousands of tracks is one entry, not one each, which the store would record
// one by one; the unit separator is a control character no real file name holds.
constexpr QChar kOrderSeparator = u'\x1f';
constexpr QChar kSeparator = u'|';

QStringList Absolute(const QStringList& paths) {
    QStringList out;
    out.reserve(paths.size());
    for (const QString& p : paths)
        out.append(TypedAbsolutePath(p));
    return out;
}

// Place=<id>|<index>|<seconds>|<path>; the path last, as it may hold the separator itself. Like
// every value that ends with a path, quoted when loading would trim it.
QString PlaceText(const QString& id, int index, double seconds, const QString& path) {
    return TPathSections::Quote(id + kSeparator + QString::number(index) + kSeparator +
                                StoreText::FormatReal(seconds, u".") + kSeparator + path);
}

QString ReadPaths(const TSectionedStore& store, const QString& key) {
    return TPathSections::Unquote(store.ReadText(TSessionRecord::kSection, key, QString()));
}

} // namespace

const QString TSessionRecord::kSection = QStringLiteral("Session:last");

TSessionRecord::TSessionRecord(TSectionedStore& store) : FStore(store) {}

std::optional<SessionState> TSessionRecord::Load() const {
    const QString id = FStore.ReadText(kSection, IdKey, QString());
    if (id.isEmpty())
        return std::nullopt;
    SessionState state;
    state.sortType = FStore.ReadInt(kSection, SortKey, 0);
    for (int n = 1;; ++n) {
        const QString argument = ReadPaths(FStore, ArgumentKey + QString::number(n));
        if (argument.isEmpty())
            break;
        state.arguments.append(argument);
    }
    const QString order = ReadPaths(FStore, OrderKey);
    if (!order.isEmpty())
        state.order = order.split(kOrderSeparator);
    const QStringList place = ReadPaths(FStore, PlaceKey).split(kSeparator);
    // A place another instance wrote over this session belongs to its own list.
    if (place.size() >= 4 && place[0] == id) {
        state.index = StoreText::ParseInt(place[1]).value_or(-1);
        state.seconds = StoreText::ParseReal(place[2], u".").value_or(0);
        state.current = place.mid(3).join(kSeparator);
    }
    return state;
}

void TSessionRecord::Begin(const QStringList& arguments, int sortType, const TPathList& files) {
    FId = TPathSections::NewId();
    FState = SessionState{};
    FState.arguments = Absolute(arguments);
    FState.sortType = sortType;
    // A name holding the separator leaves the order out: the list comes back as found.
    if (sortType == kSortShuffled) {
        const QStringList paths = files.ToStringList();
        if (!paths.join(QString()).contains(kOrderSeparator))
            FState.order = Absolute(paths);
    }
    try {
        WriteWhole();
    } catch (...) {
        // A path that cannot be stored (a line break in it): no session to come back to.
        FStore.DropSection(kSection);
        FId.clear();
    }
}

void TSessionRecord::Adopt() {
    const std::optional<SessionState> stored = Load();
    if (!stored)
        return;
    FId = FStore.ReadText(kSection, IdKey, QString());
    FState = *stored;
}

void TSessionRecord::WriteWhole() {
    FStore.DropSection(kSection);
    FStore.WriteText(kSection, IdKey, FId);
    FStore.WriteInt(kSection, SortKey, FState.sortType);
    for (qsizetype i = 0; i < FState.arguments.size(); ++i)
        FStore.WriteText(kSection, ArgumentKey + QString::number(i + 1),
                         TPathSections::Quote(FState.arguments[i]));
    if (!FState.order.isEmpty())
        FStore.WriteText(kSection, OrderKey, TPathSections::Quote(FState.order.join(kOrderSeparator)));
    if (FState.index >= 0)
        FStore.WriteText(kSection, PlaceKey, PlaceText(FId, FState.index, FState.seconds, FState.current));
}

void TSessionRecord::NotePlace(int index, const QString& path, double seconds) {
    if (FId.isEmpty() || path.isEmpty())
        return;
    // Noting a place is never worth an error.
    IgnoreFailure([&] {
        FState.index = index;
        FState.current = TypedAbsolutePath(path);
        FState.seconds = seconds;
        // Another instance started a session since: this one, still playing, is the last again.
        if (FStore.ReadText(kSection, IdKey, QString()) != FId) {
            WriteWhole();
            return;
        }
        const QString text = PlaceText(FId, index, seconds, FState.current);
        if (FStore.ReadText(kSection, PlaceKey, QString()) != text)
            FStore.WriteText(kSection, PlaceKey, text);
    });
}
