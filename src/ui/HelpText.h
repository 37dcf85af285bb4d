#pragma once

#include <QString>
#include <QStringList>

/// The key help text for a context ("edit" or "list") in language: the resource named context
/// plus the language's suffix, looked up without regard to case and decoded from Windows-1252.
/// Throws std::runtime_error naming the resource when it is missing.
QString LoadHelpText(const QString& context, int language);

/// The lines of a text split at CR LF, lone CR or lone LF; a final line break adds no empty line.
QStringList HelpLines(const QString& text);
