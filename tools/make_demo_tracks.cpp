// Writes a few short tones and a short MIDI tune into the folder named on the command line, for `make run`.
#include "MidiWriter.h"
#include "WavWriter.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_tracks FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    struct Track {
        const char* name;
        double seconds;
        double frequency;
    };
    const Track tracks[] = {{"01 La.wav", 20, 440.0}, {"02 Do.wav", 15, 523.25}, {"03 Mi.wav", 12, 659.25}};
    for (const Track& t : tracks) {
        if (!WriteToneWav(QDir(folder).filePath(QString::fromLatin1(t.name)), t.seconds, 22050,
                          t.frequency)) {
            std::fprintf(stderr, "cannot write %s\n", t.name);
            return 1;
        }
    }
    // Twelve seconds at 120 beats a minute: an arpeggio up and down, a chord at the end.
    const int keys[] = {60, 64, 67, 72, 76, 79, 84, 79, 76, 72, 67, 64, 60, 64, 67, 72, 67, 64, 60, 55};
    std::vector<MidiNote> tune;
    std::uint32_t tick = 0;
    for (int key : keys) {
        tune.push_back({tick, 420, key, 96, 0});
        tick += 480;
    }
    for (int key : {48, 60, 64, 67})
        tune.push_back({tick, 4 * 480 - 60, key, 90, 0});
    if (!WriteBytes(QDir(folder).filePath(QStringLiteral("04 Arpeggio.mid")), MidiTuneBytes(tune))) {
        std::fprintf(stderr, "cannot write 04 Arpeggio.mid\n");
        return 1;
    }
    return 0;
}
