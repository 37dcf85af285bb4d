#include "ui/HelpText.h"

#include "texts/Texts.h"

#include <QFile>
#include <QStringDecoder>

#include <stdexcept>

// The texts sit in a static library, whose resources are registered only when asked for by name.
static void RegisterHelpResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)registered;
}

QString LoadHelpText(const QString& context, int language) {
    RegisterHelpResources();
    const QString name = (context + Text(TextId::HelpSuffix, language)).toUpper();
    QFile file(QStringLiteral(":/help/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Help text resource \"" + name.toStdString() + "\" not found");
    QStringDecoder decoder("Windows-1252");
    if (!decoder.isValid())
        throw std::runtime_error("No Windows-1252 decoder for the help text resource \"" +
                                 name.toStdString() + "\"");
    return decoder.decode(file.readAll());
}

QStringList HelpLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normalized.endsWith(QLatin1Char('\n')))
        normalized.chop(1);
    return normalized.split(QLatin1Char('\n'));
}
