#pragma once

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
};

/// The text in the given language.
QString Text(TextId id, int language);

/// Fixed texts of the product, the same in both languages.
inline constexpr const char* ProductName = "Varnel";
inline constexpr const char* IdleTitle = "Varnel - donationware";
inline constexpr const char* ProductWebAddress = "www.varnel.org";
inline constexpr const char* DonationAddress = "https://www.varnel.org/paypal.asp?id=Varnel&am=5.00";
inline constexpr const char* OkButtonText = "OK";
inline constexpr const char* CancelButtonText = "Cancel";
