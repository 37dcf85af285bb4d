#include "formats/CueSheet.h"

#include "formats/MediaOpenRule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <unistd.h>

#include <optional>

namespace {

QString DecodeSheet(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("Windows-1252");
    if (cp1252.isValid())
        return cp1252(body);
    return QString::fromLatin1(body);
}

// A value in double quotes (which may hold spaces), or the first word.
QString Argument(QStringView rest) {
    rest = rest.trimmed();
    if (rest.startsWith(u'"')) {
        const qsizetype end = rest.indexOf(u'"', 1);
        return (end < 0 ? rest.mid(1) : rest.mid(1, end - 1)).toString();
    }
    const qsizetype space = rest.indexOf(u' ');
    return (space < 0 ? rest : rest.left(space)).toString();
}

// "mm:ss:ff", 75 frames a second; minutes may pass 99 in long recordings.
std::optional<double> IndexTime(QStringView text) {
    const QList<QStringView> parts = text.trimmed().split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    bool ok[3] = {};
    const int minutes = parts[0].toInt(&ok[0]);
    const int seconds = parts[1].toInt(&ok[1]);
    const int frames = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || minutes < 0 || seconds < 0 || seconds > 59 || frames < 0 || frames > 74)
        return std::nullopt;
    return minutes * 60.0 + seconds + frames / 75.0;
}

} // namespace

std::vector<CueTrack> TCueSheet::TracksFor(const QString& mediaPath) {
    const QFileInfo media(mediaPath);
    const QDir folder = media.dir();
    const QString base = media.completeBaseName();
    // The extension's case varies with the ripper; the base name must match exactly.
    const QStringList sheets =
        folder.entryList({base + QStringLiteral(".cue")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : sheets) {
        if (QFileInfo(name).completeBaseName() != base || name == media.fileName())
            continue;
        // By the open rule: a FIFO put in the sheet's place would hold the caller.
        const int fd = OpenRegularFile(QFile::encodeName(folder.filePath(name)));
        QFile file;
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        if (file.size() > kMaxBytes)
            continue;
        std::vector<CueTrack> tracks = Parse(file.read(kMaxBytes), media.fileName());
        if (!tracks.empty())
            return tracks;
    }
    return {};
}

std::vector<CueTrack> TCueSheet::Parse(const QByteArray& bytes, const QString& mediaFileName) {
    const QString text = DecodeSheet(bytes);
    std::vector<CueTrack> all;     // every track, for a sheet of one file
    std::vector<CueTrack> matched; // those under a FILE line naming this media
    int files = 0;
    bool inMatchingFile = false;
    bool inTrack = false;
    std::optional<CueTrack> track;
    const auto finish = [&] {
        if (track) {
            all.push_back(*track);
            if (inMatchingFile)
                matched.push_back(*track);
        }
        track.reset();
    };
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        const qsizetype space = line.indexOf(u' ');
        const QStringView command = space < 0 ? line : line.left(space);
        const QStringView rest = space < 0 ? QStringView() : line.mid(space + 1);
        if (command.compare(u"FILE", Qt::CaseInsensitive) == 0) {
            finish();
            inTrack = false;
            ++files;
            const QString named = QFileInfo(Argument(rest)).fileName();
            inMatchingFile = named.compare(mediaFileName, Qt::CaseInsensitive) == 0;
        } else if (command.compare(u"TRACK", Qt::CaseInsensitive) == 0) {
            finish();
            inTrack = true;
            track.emplace();
            track->start = -1.0; // until its INDEX 01
        } else if (inTrack && track && command.compare(u"TITLE", Qt::CaseInsensitive) == 0) {
            track->title = Argument(rest).trimmed();
        } else if (inTrack && track && command.compare(u"INDEX", Qt::CaseInsensitive) == 0) {
            const QStringView number = rest.trimmed().left(rest.trimmed().indexOf(u' '));
            if (number.toInt() != 1)
                continue;
            if (const std::optional<double> at = IndexTime(rest.trimmed().mid(number.size())))
                track->start = *at;
        }
    }
    finish();
    std::vector<CueTrack>& chosen = files > 1 ? matched : all;
    std::erase_if(chosen, [](const CueTrack& t) { return t.start < 0.0; });
    return chosen;
}
