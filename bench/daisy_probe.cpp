// Reads one talking book in a process of its own, so that the benchmark sees the memory the
// reading adds alone. Usage: varnel_daisy_probe BOOK. Prints "daisy-probe CLIPS HEADINGS PAGES
// BEFORE_KB PEAK_KB", the resident memory before reading and the peak after, and exits 0; exits 1
// when BOOK is no book.
#include "daisy/DaisyReader.h"

#include <QFile>

#include <cstdio>

namespace {

/// A "Vm...:" figure of /proc/self/status in kB, 0 when it cannot be read.
long StatusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 1;
    const long before = StatusKb("VmRSS:");
    const std::optional<TDaisyBook> book = ReadDaisyBook(QFile::decodeName(argv[1]));
    if (!book)
        return 1;
    std::printf("daisy-probe %zu %zu %zu %ld %ld\n", book->FClips.size(), book->FHeadings.size(),
                book->FPages.size(), before, StatusKb("VmHWM:"));
    return 0;
}
