#pragma once

#include <QLocale>
#include <QString>

/// The process-wide language: 0 other, 1 Italian, 2 Spanish. Spanish texts for 2, Italian otherwise.
enum Languages { LangOther = 0, LangItalian = 1, LangSpanish = 2 };

/// Language for a Windows-style user language identifier (only the listed identifiers count).
int LanguageFromId(int languageId);

/// Every user-visible text of the program, named by its use.
enum class TextId {
    PauseSuffix,
    IdleTime,
    SecondsPart,
    MinutesSeparator,
    JumpCaption,
    JumpPrompt,
    OptionsCaption,
    OptionsVolumeLabel,
    OptionsOrderLabel,
    OrderNone,
    OrderAlphabetical,
    OrderRandom,
    OptionsOk,
    OptionsCancel,
    HelpCaption,
    HelpSuffix,
    DonationCaption,
    DonationText,
    // Spoken only, never shown: the time field's text when nothing plays ("-") is skipped by line
    // reading, and speed and volume steps change nothing on screen.
    StoppedSpoken,
    SpeedSpoken,
    VolumeSpoken,
};

/// The text in the given language.
QString Text(TextId id, int language);

/// "Velocità 1,2" for a rate of 1.2, with the decimal separator of locale.
QString SpeedSpokenText(double rate, int language, const QLocale& locale);
/// "Volume 80".
QString VolumeSpokenText(int volume, int language);

/// Fixed texts of the product, the same in both languages.
inline constexpr const char* kProductName = "Varnel";
inline constexpr const char* kIdleTitle = "Varnel - donationware";
inline constexpr const char* kProductWebAddress = "www.varnel.org";
inline constexpr const char* kDonationAddress = "https://www.varnel.org/paypal.asp?id=Varnel&am=5.00";
inline constexpr const char* kOkButtonText = "OK";
inline constexpr const char* kCancelButtonText = "Cancel";
