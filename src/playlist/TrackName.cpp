#include "playlist/TrackName.h"

#include "texts/NameTexts.h"

namespace {

QString FileTitle(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    // A leading dot starts a hidden file's name, not its extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

QString TrackName::Title() const {
    const QString tag = titleTag.trimmed();
    return tag.isEmpty() ? FileTitle(path) : tag;
}

QString TrackName::Spoken(int language) const {
    const QString tag = titleTag.trimmed();
    const bool heardJustBefore =
        !tag.isEmpty() && tag.compare(previousTitleTag.trimmed(), Qt::CaseInsensitive) == 0;
    if (!heardJustBefore || index < 0 || index >= count)
        return Title();
    return tag + QStringLiteral(", ") + ListPlaceText(index + 1, count, language);
}
