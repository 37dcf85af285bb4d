// Plays a long session of short tracks by automatic advance, the way the window does (the next
// file prepared while one plays, set once the one playing ends), and prints the resident memory of
// the process as it goes: what hours of listening cost.
// Usage: varnel_session_memory FOLDER TRACKS MIX [OUTPUT]. MIX is repeated over the tracks, one
// letter a track: w (WAV), m (MP3), i (MIDI). OUTPUT is an mpv audio output ("null" for none).
// Prints "track N rss-kb K" once track N plays, for N = 1, 10, 20 and every 20th after that.
#include "MidiWriter.h"
#include "SilentMp3.h"
#include "WavWriter.h"
#include "engine/MpvMediaControl.h"
#include "util/HeapRetention.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

long ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QString WriteTrack(const QDir& folder, int index, char kind) {
    const QString base = folder.filePath(QStringLiteral("%1").arg(index, 3, 10, QLatin1Char('0')));
    switch (kind) {
    case 'w': {
        const QString path = base + QStringLiteral(".wav");
        return WriteToneWav(path, 1.0, 22050, 440.0 + index) ? path : QString();
    }
    case 'm': {
        const QString path = base + QStringLiteral(".mp3");
        return WriteSilentMp3(path, 1.0, Mp3Tag::Info) ? path : QString();
    }
    case 'i': {
        // One second at 120 beats a minute: two notes, a program change of its own each time.
        std::vector<MidiNote> tune{{0, 420, 60 + index % 12, 96, 0}, {480, 420, 67, 90, 0}};
        const QString path = base + QStringLiteral(".mid");
        return WriteBytes(path, MidiTuneBytes(tune)) ? path : QString();
    }
    default:
        return {};
    }
}

bool Reported(int track) {
    return track == 1 || track == 10 || track % 20 == 0;
}

} // namespace

int main(int argc, char** argv) {
    LimitHeapRetention(); // as the program does
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4 || args.at(3).isEmpty()) {
        std::fprintf(stderr, "usage: varnel_session_memory FOLDER TRACKS MIX [OUTPUT]\n");
        return 2;
    }
    const QDir folder(args.at(1));
    const int count = args.at(2).toInt();
    const QByteArray mix = args.at(3).toLatin1();
    if (!QDir().mkpath(folder.path()) || count < 1)
        return 2;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = WriteTrack(folder, i, mix.at(i % mix.size()));
        if (path.isEmpty()) {
            std::fprintf(stderr, "cannot write track %d\n", i + 1);
            return 1;
        }
        files << path;
    }

    MpvMediaControl control(MpvOutputOptions(args.size() > 4 ? args.at(4) : QString()));
    int current = 0;
    int reported = 0;
    const auto play = [&] {
        control.SetUrl(files.at(current));
        control.SetCurrentPosition(0.0);
        control.SetNextUrl(files.value(current + 1), 0.0);
    };
    QObject::connect(&control, &MediaControl::PlayStateChange, &app, [&](int state) {
        if (state == psPlaying && reported < current + 1) {
            reported = current + 1;
            if (Reported(reported))
                std::printf("track %d rss-kb %ld\n", reported, ResidentKb());
            std::fflush(stdout);
        }
        if (state != psMediaEnded)
            return;
        if (control.EndedByFailure())
            std::printf("track %d failed\n", current + 1);
        // Posted, as the window posts its advance.
        QTimer::singleShot(0, &app, [&] {
            if (++current >= files.size()) {
                control.Close();
                std::printf("closed rss-kb %ld\n", ResidentKb());
                app.quit();
                return;
            }
            play();
        });
    });
    QTimer::singleShot(0, &app, play);
    return app.exec();
}
