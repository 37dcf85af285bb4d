#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QUrl>

/// The kernel, locale and desktop services the program needs, behind one seam so that tests can
/// fix the language, clock, locale and executable folder, and never sound a beep or open a browser.
/// This base knows no desktop: the desktop's services come with the platform the program installs.
class Platform {
public:
    virtual ~Platform() = default;

    /// Folder of the running executable, ending with '/'; empty when it cannot be found.
    virtual QString ExecutableFolder() const;
    /// Windows-style user language identifier derived from the POSIX locale (0 when unknown).
    virtual int UserLanguageId() const;
    /// The user's regional settings: decimal separator, short date and long time forms, collation.
    virtual QLocale RegionalLocale() const;
    /// Current local date and time.
    virtual QDateTime Now() const;
    /// Milliseconds since midnight, universal time (0 to 86,399,999).
    virtual qint64 MillisecondsOfDayUtc() const;
    /// The desktop's default beep; silent here.
    virtual void Beep();
    /// Opens an address with the desktop's default handler; false when nothing could open it, as
    /// here.
    virtual bool OpenUrl(const QUrl& url);

    /// The process-wide instance: this base unless the program or a test installed another.
    static Platform& Current();
    /// Installs p as the current platform (nullptr restores the base); p is not owned.
    static void SetCurrent(Platform* p);
};

/// Windows-style language identifier for a POSIX locale name such as "es_MX.UTF-8@euro"; 0 when
/// the language is not one the program distinguishes.
int LanguageIdFromPosixLocale(const QString& localeName);

/// The POSIX locale that names the user's language: the first set of LC_ALL, LC_MESSAGES, LANG.
QString UserPosixLocaleName();
