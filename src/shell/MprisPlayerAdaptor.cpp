#include "shell/MprisPlayerAdaptor.h"

#include "formats/MediaOpenRule.h"
#include "playback/PlayerCore.h"
#include "playlist/TrackName.h"
#include "util/FileNameCodec.h"
#include "util/IgnoreFailure.h"

#include <QDBusContext>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {
constexpr double kMicrosPerSecond = 1e6;

// Clamped: a file may declare any length, and rounding beyond the integer's range is undefined.
qlonglong ToMicros(double seconds) {
    constexpr double kLimit = 9223372036854775807.0; // 2^63: the first value that does not fit
    const double micros = seconds * kMicrosPerSecond;
    if (micros >= kLimit)
        return std::numeric_limits<qlonglong>::max();
    if (micros <= -kLimit)
        return std::numeric_limits<qlonglong>::min();
    return std::llround(micros);
}

} // namespace

QString MprisPlayerAdaptor::FileUrl(const QString& path) {
    // The bytes the system knows the file by: a name that is not UTF-8 keeps them, and a relative
    // path (a relative folder argument) is taken against the folder the program runs in.
    QByteArray bytes = EncodeFileName(path);
    if (!bytes.startsWith('/')) {
        const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
        bytes.prepend(QByteArray(folder ? folder.get() : "") + '/');
    }
    // "." and empty components say nothing; ".." stays, as only the file system knows what it means.
    QByteArray clean;
    for (const QByteArray& part : bytes.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        clean += '/' + part;
    }
    return QStringLiteral("file://") + QString::fromLatin1(clean.toPercentEncoding("/"));
}

QString MprisPlayerAdaptor::LocalPath(const QString& uri) {
    const QUrl url(uri);
    if (!url.isValid() || url.scheme() != QLatin1String("file") || url.hasQuery() || url.hasFragment())
        return {};
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return {};
    // Decoded as bytes: a name that is not UTF-8 comes back as FileUrl wrote it.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return bytes.startsWith('/') ? DecodeFileName(bytes) : QString();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(TPlayerCore& core, QObject* parent)
    : QDBusAbstractAdaptor(parent), FCore(core) {}

QDBusObjectPath MprisPlayerAdaptor::TrackId(int index) {
    return QDBusObjectPath(QStringLiteral("/org/varnel/track/%1").arg(index));
}

int MprisPlayerAdaptor::State() const {
    return FCore.Player().State();
}

bool MprisPlayerAdaptor::IsActive() const {
    return IsActiveState(State());
}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    const int state = State();
    if (state == psPaused)
        return QStringLiteral("Paused");
    if (IsActiveState(state))
        return QStringLiteral("Playing");
    return QStringLiteral("Stopped");
}

double MprisPlayerAdaptor::Rate() const {
    const double rate = FCore.Player().GetRate();
    // A failed read gives 0, which MPRIS would take for a paused player.
    return std::isfinite(rate) && rate > 0 ? rate : 1.0;
}

void MprisPlayerAdaptor::SetRate(double rate) {
    if (!std::isfinite(rate) || rate < 0)
        return;
    if (rate == 0) {
        Pause();
        return;
    }
    IgnoreFailure([&] { FCore.SetRate(rate); });
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    QVariantMap map;
    const int index = FCore.Current();
    if (!IsActive() || index < 0 || index >= FCore.Files().size()) {
        map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral(
                                                        "/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        return map;
    }
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(index)));
    const QString path = FCore.Files().at(index);
    map.insert(QStringLiteral("xesam:url"), FileUrl(path));
    const MediaTags tags = FCore.Player().Tags();
    const TrackName name{tags.title, path, index, static_cast<int>(FCore.Files().size()), {}};
    map.insert(QStringLiteral("xesam:title"), name.Title());
    if (!tags.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{tags.artist});
    if (!tags.album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), tags.album);
    const double length = FCore.Player().Duration();
    if (std::isfinite(length) && length > 0)
        map.insert(QStringLiteral("mpris:length"), ToMicros(length));
    return map;
}

double MprisPlayerAdaptor::Volume() const {
    return FCore.Player().GetVolume() / 100.0;
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    IgnoreFailure([&] {
        FCore.SetVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
        FCore.Refresh();
    });
}

qlonglong MprisPlayerAdaptor::Position() const {
    if (!IsActive())
        return 0;
    const double position = FCore.Player().Position();
    return std::isfinite(position) ? ToMicros(position) : 0;
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return FCore.Current() < FCore.Files().size() - 1;
}

bool MprisPlayerAdaptor::CanGoPrevious() const {
    return FCore.Current() > 0;
}

bool MprisPlayerAdaptor::CanPlay() const {
    return !FCore.Files().isEmpty();
}

bool MprisPlayerAdaptor::CanPause() const {
    return !FCore.Files().isEmpty();
}

bool MprisPlayerAdaptor::CanSeek() const {
    return IsActive();
}

QVariantMap MprisPlayerAdaptor::SignalledProperties() const {
    return {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("Rate"), Rate()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), Volume()},
        {QStringLiteral("CanGoNext"), CanGoNext()},
        {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
        {QStringLiteral("CanPlay"), CanPlay()},
        {QStringLiteral("CanPause"), CanPause()},
        {QStringLiteral("CanSeek"), CanSeek()},
    };
}

void MprisPlayerAdaptor::PlayPause() {
    IgnoreFailure([&] { FCore.PlayPause(); });
}

void MprisPlayerAdaptor::Play() {
    IgnoreFailure([&] {
        const int state = State();
        if (state == psPaused)
            FCore.PauseToggle();
        else if (!IsActiveState(state))
            FCore.PlaySelected();
    });
}

void MprisPlayerAdaptor::Pause() {
    IgnoreFailure([&] {
        if (IsPlayingState(State()))
            FCore.PauseToggle();
    });
}

void MprisPlayerAdaptor::Stop() {
    IgnoreFailure([&] { FCore.Stop(); });
}

void MprisPlayerAdaptor::Next() {
    IgnoreFailure([&] { FCore.PlayNext(); });
}

void MprisPlayerAdaptor::Previous() {
    IgnoreFailure([&] { FCore.PlayPrevious(); });
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    if (!IsActive())
        return;
    IgnoreFailure([&] {
        const double seconds = static_cast<double>(Offset) / kMicrosPerSecond;
        FCore.SeekBy(seconds, false);
        emit Seeked(Position());
    });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    // A stale id means the user moved on since the desktop read it: never seek the wrong track.
    if (!IsActive() || TrackId != MprisPlayerAdaptor::TrackId(FCore.Current()) || Position < 0)
        return;
    IgnoreFailure([&] {
        const double length = FCore.Player().Duration();
        const double seconds = static_cast<double>(Position) / kMicrosPerSecond;
        if (std::isfinite(length) && length > 0 && seconds > length)
            return;
        // A put the control refuses leaves the position as it was: nothing to remember or signal.
        FCore.JumpTo(seconds);
        FCore.RememberPosition();
        FCore.Refresh();
        emit Seeked(this->Position());
    });
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    const QString path = LocalPath(Uri);
    enum class Refusal { None, Scheme, NotMedia, NothingFound } refusal = Refusal::None;
    if (path.isEmpty()) {
        refusal = Refusal::Scheme;
    } else {
        IgnoreFailure([&] {
            // A file that is no media would stop what plays and play nothing: refused before the list moves.
            if (IsRegularFile(EncodeFileName(path)) && !FCore.IsPlayableFile(path))
                refusal = Refusal::NotMedia;
            else if (!FCore.OpenAndPlay(path))
                refusal = Refusal::NothingFound;
        });
    }
    if (refusal == Refusal::None)
        return;
    // Qt gives a call's context to the object the adaptor serves, not to the adaptor.
    auto* context = dynamic_cast<QDBusContext*>(parent());
    if (!context || !context->calledFromDBus())
        return;
    switch (refusal) {
    case Refusal::Scheme:
        context->sendErrorReply(QDBusError::NotSupported,
                                QStringLiteral("only local file URIs can be opened"));
        return;
    case Refusal::NotMedia:
        context->sendErrorReply(QDBusError::NotSupported, QStringLiteral("not a media file"));
        return;
    default:
        context->sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.FileNotFound"),
                                QStringLiteral("no media file or folder there"));
    }
}
