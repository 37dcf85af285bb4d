// Writes the sample talking book (DAISY 2.02, or 3 with --daisy3) into the folder named on the command
// line, every time stretched by a factor, for trying the book keys by hand and for the end-to-end checks.
#include "DaisyBookWriter.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    bool daisy3 = false;
    double stretch = 1.0;
    const char* folderArg = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--daisy3") == 0)
            daisy3 = true;
        else if (std::strcmp(argv[i], "--stretch") == 0 && i + 1 < argc)
            stretch = QString::fromLatin1(argv[++i]).toDouble();
        else
            folderArg = argv[i];
    }
    if (!folderArg || !(stretch > 0.0)) {
        std::fprintf(stderr, "usage: make_talking_book [--daisy3] [--stretch FACTOR] FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(folderArg);
    TBookPlan plan = SampleBookPlan(daisy3 ? TBookFormat::Daisy3 : TBookFormat::Daisy202);
    for (TBookAudio& audio : plan.FAudio)
        audio.FSeconds *= stretch;
    for (TBookSection& section : plan.FSections)
        for (TBookPhrase& phrase : section.FPhrases) {
            phrase.FBegin *= stretch;
            phrase.FEnd *= stretch;
        }
    if (!QDir().mkpath(folder) || !WriteDaisyBook(folder, plan)) {
        std::fprintf(stderr, "cannot write the book into %s\n", folderArg);
        return 1;
    }
    return 0;
}
