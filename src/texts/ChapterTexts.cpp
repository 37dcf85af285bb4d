#include "texts/ChapterTexts.h"

#include "texts/TextTable.h"
#include "texts/Texts.h"
#include "texts/TimeLabel.h"

#include <cmath>

namespace {

constexpr Wording kChapter = {"Capitolo %1 di %2", "Capítulo %1 de %2"};
constexpr Wording kNoChapters = {"Nessun capitolo", "Sin capítulos"};
constexpr Wording kLastChapter = {"Ultimo capitolo", "Último capítulo"};
constexpr Wording kHour = {"1 ora", "1 hora"};
constexpr Wording kHours = {"%1 ore", "%1 horas"};
constexpr Wording kChapterEnd = {"Fine del capitolo tra %1", "Fin del capítulo en %1"};
constexpr Wording kTrackEnd = {"fine del brano tra %1", "fin de la pista en %1"};
constexpr Wording kListEnd = {"Fine della lista tra %1", "Fin de la lista en %1"};
constexpr Wording kListEndAtLeast = {"Fine della lista tra almeno %1", "Fin de la lista en al menos %1"};
constexpr Wording kHeard = {"ascoltato il %1%", "escuchado el %1%"};

constexpr double kSecondsPerHour = 3600.0;

QString Capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

QString ChapterSpokenText(int number, int count, const QString& title, int language) {
    QString text = InLanguage(kChapter, language).arg(number).arg(count);
    if (!title.trimmed().isEmpty())
        text += QStringLiteral(": ") + title.trimmed();
    return text;
}

QString NoChaptersSpokenText(int language) {
    return InLanguage(kNoChapters, language);
}

QString LastChapterSpokenText(int language) {
    return InLanguage(kLastChapter, language);
}

QString SpokenDuration(double seconds, int language) {
    if (!(seconds > 0.0))
        seconds = 0.0;
    if (seconds < kSecondsPerHour)
        return TimeLabel(seconds);
    // Whole minutes: past an hour a listener plans by the minute, and rounding down never promises
    // more than there is.
    const auto minutes = static_cast<long long>(std::floor(seconds / 60.0));
    const long long hours = minutes / 60;
    QString text = hours == 1 ? InLanguage(kHour, language) : InLanguage(kHours, language).arg(hours);
    if (minutes % 60 > 0)
        text += QStringLiteral(" %1 min").arg(minutes % 60);
    return text;
}

QString TrackLeftSpokenText(std::optional<double> chapterLeft, double trackLeft, int language) {
    const QString track = InLanguage(kTrackEnd, language).arg(SpokenDuration(trackLeft, language));
    if (!chapterLeft)
        return Capitalised(track);
    return InLanguage(kChapterEnd, language).arg(SpokenDuration(*chapterLeft, language)) +
           QStringLiteral(", ") + track;
}

QString ListLeftSpokenText(double left, bool atLeast, std::optional<int> heardPercent, int language) {
    QString text =
        InLanguage(atLeast ? kListEndAtLeast : kListEnd, language).arg(SpokenDuration(left, language));
    if (heardPercent)
        text += QStringLiteral(", ") + InLanguage(kHeard, language).arg(*heardPercent);
    return text;
}
