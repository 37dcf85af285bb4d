#include "config/MediaConfigs.h"

#include "config/FileProbe.h"
#include "config/StoreText.h"

namespace {

const QString PathKey = QStringLiteral("Path");
const QString TimeKey = QStringLiteral("Time");

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

QString TM3MediaConfigs::SectionName(const QString& path) {
    const QString lower = StoreText::LowerText(path);
    QString name;
    name.reserve(lower.size());
    for (const QChar c : lower) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z'))
            name += c;
    }
    return name;
}

double TM3MediaConfigs::GetResumeTime(const QString& path) const {
    return ReadReal(SectionName(path), TimeKey, 0);
}

void TM3MediaConfigs::SetResumeTime(const QString& path, double seconds) {
    // A line break in the path would split its Path line and corrupt the file; such a file is
    // simply not remembered, and the store is left as it was.
    if (HasLineBreak(path))
        return;
    try {
        const QString section = SectionName(path);
        if (seconds == 0) {
            DropSection(section);
            return;
        }
        WriteText(section, PathKey, path);
        WriteReal(section, TimeKey, seconds);
    } catch (...) {
        // Remembering a position is never worth an error.
    }
}

void TM3MediaConfigs::Purge() {
    // Every listed name is checked, duplicates too: dropping the last of a name reveals the
    // earlier one, which the next occurrence of the name in the list then checks.
    const QStringList names = SectionNames();
    QStringList paths;
    paths.reserve(names.size());
    QHash<QString, int> perFolder;
    for (const QString& name : names) {
        paths.append(ReadText(name, PathKey, QString()));
        if (const qsizetype slash = paths.last().lastIndexOf(u'/'); slash > 0)
            ++perFolder[paths.last().first(slash)];
    }
    FileProbe probe;
    // One listing answers a folder's many remembered files at the cost of a few questions.
    constexpr int ListingPays = 16;
    for (auto it = perFolder.cbegin(); it != perFolder.cend(); ++it) {
        if (it.value() >= ListingPays)
            probe.ListFolder(it.key());
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        // Dropping a duplicate reveals the earlier one, so the path is read again here.
        const QString path = ReadText(names[i], PathKey, QString());
        if (!path.isEmpty() && !probe.FileExists(path))
            DropSection(names[i]);
    }
}
