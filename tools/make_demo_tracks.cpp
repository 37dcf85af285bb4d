// Writes a few short tones into the folder named on the command line, for `make run`.
#include "WavWriter.h"

#include <QDir>
#include <QString>

#include <cstdio>

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
        if (!WriteToneWav(QDir(folder).filePath(QString::fromLatin1(t.name)), t.seconds, 22050, t.frequency)) {
            std::fprintf(stderr, "cannot write %s\n", t.name);
            return 1;
        }
    }
    return 0;
}
