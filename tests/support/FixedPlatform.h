#pragma once

#include "util/Platform.h"

#include <QStringList>
#include <QUrl>

/// A platform whose language, clock, locale and folder the test sets; it records beeps and
/// opened addresses instead of making them, and installs itself as the current platform.
class FixedPlatform : public Platform {
public:
    FixedPlatform();
    ~FixedPlatform() override;

    QString ExecutableFolder() const override { return folder; }
    int UserLanguageId() const override { return languageId; }
    QLocale RegionalLocale() const override { return locale; }
    QDateTime Now() const override { return now; }
    qint64 MillisecondsOfDayUtc() const override { return msOfDay; }
    void Beep() override { ++beeps; }
    bool OpenUrl(const QUrl& url) override {
        opened.append(url);
        return true;
    }

    QString folder;
    int languageId = 1040;
    QLocale locale{QLocale::Italian, QLocale::Italy};
    QDateTime now{QDate(2026, 12, 8), QTime(10, 30, 0)};
    qint64 msOfDay = 12345678;
    int beeps = 0;
    QList<QUrl> opened;
};
