#pragma once

#include <QChar>
#include <QString>

/// The process-wide time separator (between hours, minutes and seconds); start-up sets it to '.'.
QChar TimeSeparator();
void SetTimeSeparator(QChar separator);

/// Number of fields in text after trimming spaces and control characters; 0 for an empty text.
int FieldCount(const QString& text, QChar separator);
/// Field n (from 1) of the trimmed text; empty for n = 0 or an empty text.
QString GetField(const QString& text, int n, QChar separator);
/// Whole seconds of "s", "m.s" or "h.m.s" (fields that are not integers count as 0).
int TimeTextToSeconds(const QString& text);
/// "05", "2.05" or "1.02.05" for the absolute value of seconds.
QString SecondsToTimeText(int seconds);
