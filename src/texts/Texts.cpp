#include "texts/Texts.h"

#include "texts/TextTable.h"

#include <array>
#include <cmath>

namespace {

constexpr TextTable<TextId, 21> kTexts{{{
    {TextId::PauseSuffix, {" (in pausa)", " (en pausa)"}},
    {TextId::IdleTime, {"-", "-"}},
    {TextId::SecondsPart, {" sec", " sec"}},
    {TextId::MinutesSeparator, {" min  ", " min  "}},
    {TextId::JumpCaption, {"Vai alla posizione", "Ir a la posición"}},
    {TextId::JumpPrompt, {"Inserisci la posizione (mm.ss):", "Inserta la posición (mn.ss):"}},
    {TextId::OptionsCaption, {"Varnel - Opzioni", "Varnel - Opciones"}},
    {TextId::OptionsVolumeLabel,
     {"Volume per finestra in secondo piano:", "Volumen de la ventana en segundo plano:"}},
    {TextId::OptionsOrderLabel, {"Ordinamento lista brani:", "Ordenación lista de pistas:"}},
    {TextId::OrderNone, {"Nessuno", "Ninguna"}},
    {TextId::OrderAlphabetical, {"Alfabetico", "Alfabética"}},
    {TextId::OrderRandom, {"Casuale", "Aleatoria"}},
    {TextId::OptionsOk, {"&Ok", "&Aceptar"}},
    {TextId::OptionsCancel, {"&Annulla", "&Cancelar"}},
    // The help caption has only the one wording.
    {TextId::HelpCaption, {"Varnel - Aiuto dei tasti", "Varnel - Aiuto dei tasti"}},
    {TextId::HelpSuffix, {"ita", "spa"}},
    {TextId::DonationCaption, {"Varnel - Donare serve!", "Varnel - Donar es útil!"}},
    {TextId::DonationText,
     {"Varnel è un software completo a donazione libera. Se si usa questo software, donare "
      "periodicamente una cifra simbolica è utile al suo riconoscimento e mantenimento. Dopo aver "
      "chiuso questo messaggio, premere il tasto F12 per donare 5 euro con Paypal.",
      // The doubled comma is the published wording.
      "Varnel es un software completo de donación libre. Si utiliza este software, , donar una "
      "cantidad simbólica con regularidad ayuda a su mantenimiento y desarrollo. Después de cerrar "
      "este mensaje, pulse la tecla F12 para donar 5 euros por Paypal."}},
    {TextId::StoppedSpoken, {"Fermo", "Detenido"}},
    {TextId::SpeedSpoken, {"Velocità %1", "Velocidad %1"}},
    {TextId::VolumeSpoken, {"Volume %1", "Volumen %1"}},
}}};
static_assert(kTexts.InIdOrder(), "kTexts must list every TextId in declaration order");

} // namespace

int LanguageFromId(int languageId) {
    // Spanish is primary language 10 with sublanguages 1 to 20; later sublanguages do not count.
    const int primary = languageId & 0x3ff;
    const int sublanguage = languageId >> 10;
    if (languageId > 0 && primary == 10 && sublanguage >= 1 && sublanguage <= 20)
        return LangSpanish;
    if (languageId == 1040 || languageId == 2064)
        return LangItalian;
    return LangOther;
}

QString Text(TextId id, int language) {
    return kTexts(id, language);
}

QString InLanguage(const Wording& wording, int language) {
    return QString::fromUtf8(language == LangSpanish ? wording.spanish : wording.italian);
}

QString SpeedSpokenText(double rate, int language, const QLocale& locale) {
    // One decimal, so that normal speed says "1,0" rather than a bare "1"; two for a rate between tenths.
    const long hundredths = std::lround(rate * 100.0);
    const int decimals = hundredths % 10 == 0 ? 1 : 2;
    return Text(TextId::SpeedSpoken, language).arg(locale.toString(rate, 'f', decimals));
}

QString VolumeSpokenText(int volume, int language) {
    return Text(TextId::VolumeSpoken, language).arg(volume);
}
