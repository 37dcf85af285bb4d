#include "util/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

Platform* g_current = nullptr;

Platform& RealPlatform() {
    static Platform real;
    return real;
}

// Windows identifiers are primary language | sublanguage << 10; only the combinations the
// program can meet in a POSIX locale are listed.
const QHash<QString, int>& SpanishTerritories() {
    static const QHash<QString, int> table{
        {"ES", 3082},  {"MX", 2058},  {"GT", 4106},   {"CR", 5130},  {"PA", 6154},  {"DO", 7178},
        {"VE", 8202},  {"CO", 9226},  {"PE", 10250},  {"AR", 11274}, {"EC", 12298}, {"CL", 13322},
        {"UY", 14346}, {"PY", 15370}, {"BO", 16394},  {"SV", 17418}, {"HN", 18442}, {"NI", 19466},
        {"PR", 20490}, {"US", 21514}, {"419", 22538}, {"CU", 23562},
    };
    return table;
}

const QHash<QString, int>& OtherLanguages() {
    // "lang" alone means its main territory; "lang_TERRITORY" the exact identifier.
    static const QHash<QString, int> table{
        {"it", 1040},    {"it_IT", 1040}, {"it_CH", 2064}, {"en", 1033},    {"en_US", 1033},
        {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105}, {"en_IE", 6153}, {"fr", 1036},
        {"fr_FR", 1036}, {"fr_BE", 2060}, {"fr_CA", 3084}, {"fr_CH", 4108}, {"de", 1031},
        {"de_DE", 1031}, {"de_CH", 2055}, {"de_AT", 3079}, {"pt", 2070},    {"pt_PT", 2070},
        {"pt_BR", 1046}, {"nl", 1043},    {"nl_NL", 1043}, {"ca", 1027},    {"ca_ES", 1027},
    };
    return table;
}

} // namespace

QString Platform::ExecutableFolder() const {
    const QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (target.isEmpty())
        return {};
    QString folder = QFileInfo(target).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

int Platform::UserLanguageId() const {
    return LanguageIdFromPosixLocale(UserPosixLocaleName());
}

QLocale Platform::RegionalLocale() const {
    return QLocale::system();
}

QDateTime Platform::Now() const {
    return QDateTime::currentDateTime();
}

qint64 Platform::MillisecondsOfDayUtc() const {
    return QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
}

void Platform::Beep() {}

bool Platform::OpenUrl(const QUrl&) {
    return false;
}

Platform& Platform::Current() {
    return g_current ? *g_current : RealPlatform();
}

void Platform::SetCurrent(Platform* p) {
    g_current = p;
}

int LanguageIdFromPosixLocale(const QString& localeName) {
    QString name = localeName.trimmed();
    QString modifier;
    if (const qsizetype at = name.indexOf(u'@'); at >= 0) {
        modifier = name.mid(at + 1).toLower();
        name.truncate(at);
    }
    if (const qsizetype dot = name.indexOf(u'.'); dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return 0;
    if (name == u"C" || name == u"POSIX")
        return 1033;

    // Some systems write the territory after a hyphen, as in "es-MX".
    name.replace(u'-', u'_');
    const qsizetype underscore = name.indexOf(u'_');
    const QString language = name.left(underscore).toLower();
    const QString territory = underscore < 0 ? QString() : name.mid(underscore + 1).toUpper();

    if (language == u"es") {
        if (territory.isEmpty())
            return 3082;
        if (territory == u"ES" && modifier == u"tradnl")
            return 1034;
        return SpanishTerritories().value(territory, 0);
    }
    if (territory.isEmpty())
        return OtherLanguages().value(language, 0);
    return OtherLanguages().value(language + u'_' + territory, 0);
}

QString UserPosixLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}
