#include "texts/Texts.h"

#include "util/Platform.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageFromId, OnlyTheListedIdentifiersChooseALanguage) {
    const struct {
        int id;
        int language;
    } cases[] = {
        {1034, LangSpanish},
        {3082, LangSpanish},
        {2058, LangSpanish},
        {20490, LangSpanish},
        {1040, LangItalian},
        {2064, LangItalian},
        {1033, LangOther},
        {0, LangOther},
        // Spanish sublanguages past 20, and primary language 10 without a sublanguage.
        {21514, LangOther},
        {22538, LangOther},
        {10, LangOther},
        {-1, LangOther},
        // Italian with another sublanguage, and a Spanish id with a sort order above 16 bits.
        {3088, LangOther},
        {0x1040A, LangOther},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageFromId(c.id), c.language) << c.id;
    for (int sub = 1; sub <= 20; ++sub)
        EXPECT_EQ(LanguageFromId(sub << 10 | 10), LangSpanish) << sub;
}

TEST(LanguageFromId, LocalesGiveTheirLanguage) {
    const struct {
        const char* locale;
        int language;
    } cases[] = {
        {"es_MX.UTF-8", LangSpanish}, {"es_ES@tradnl", LangSpanish},
        {"es", LangSpanish},          {"es_US.UTF-8", LangOther},
        {"es_419", LangOther},        {"it_CH.UTF-8", LangItalian},
        {"en_GB", LangOther},         {"C", LangOther},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageFromId(LanguageIdFromPosixLocale(c.locale)), c.language) << c.locale;
}

TEST(Text, SpanishOnlyForLanguageTwo) {
    for (const int language : {int(LangOther), int(LangItalian), 7, -1})
        EXPECT_EQ(Text(TextId::PauseSuffix, language), " (in pausa)") << language;
    EXPECT_EQ(Text(TextId::PauseSuffix, LangSpanish), " (en pausa)");
}

TEST(Text, AccentsSpacingAndPunctuationAreExact) {
    EXPECT_EQ(Text(TextId::JumpCaption, LangSpanish), QStringLiteral("Ir a la posici\u00f3n"));
    EXPECT_EQ(Text(TextId::DonationCaption, LangSpanish), QStringLiteral("Varnel - Donar es \u00fatil!"));
    EXPECT_EQ(Text(TextId::OrderAlphabetical, LangSpanish), QStringLiteral("Alfab\u00e9tica"));
    EXPECT_EQ(Text(TextId::MinutesSeparator, LangItalian), " min  ");
    EXPECT_EQ(Text(TextId::MinutesSeparator, LangSpanish), " min  ");
    EXPECT_EQ(Text(TextId::OptionsOk, LangSpanish), "&Aceptar");
    EXPECT_EQ(Text(TextId::HelpCaption, LangSpanish), "Varnel - Aiuto dei tasti");
    EXPECT_EQ(Text(TextId::HelpSuffix, LangSpanish), "spa");
    EXPECT_EQ(Text(TextId::HelpSuffix, LangItalian), "ita");

    const QString italian = Text(TextId::DonationText, LangItalian);
    EXPECT_TRUE(
        italian.startsWith(QStringLiteral("Varnel \u00e8 un software completo a donazione libera. ")));
    EXPECT_TRUE(italian.endsWith(" premere il tasto F12 per donare 5 euro con Paypal."));
    const QString spanish = Text(TextId::DonationText, LangSpanish);
    EXPECT_TRUE(spanish.contains("este software, , donar una cantidad"));
    EXPECT_TRUE(spanish.contains(QStringLiteral("Despu\u00e9s de cerrar este mensaje, pulse")));
    EXPECT_EQ(spanish.size(), 243);
}

TEST(Text, EveryTextExistsInBothLanguages) {
    for (int id = 0; id <= static_cast<int>(TextId::VolumeSpoken); ++id) {
        EXPECT_FALSE(Text(static_cast<TextId>(id), LangItalian).isEmpty()) << id;
        EXPECT_FALSE(Text(static_cast<TextId>(id), LangSpanish).isEmpty()) << id;
    }
}

TEST(SpokenText, SpeedAndVolumeInTheUsersLanguageWithTheRegionalSeparator) {
    const QLocale italy(QLocale::Italian, QLocale::Italy);
    const QLocale spain(QLocale::Spanish, QLocale::Spain);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(SpeedSpokenText(1.2, LangItalian, italy), QStringLiteral("Velocit\u00e0 1,2"));
    EXPECT_EQ(SpeedSpokenText(1.2, LangSpanish, spain), "Velocidad 1,2");
    EXPECT_EQ(SpeedSpokenText(1.0, LangOther, italy), QStringLiteral("Velocit\u00e0 1,0"));
    EXPECT_EQ(SpeedSpokenText(0.5, LangSpanish, us), "Velocidad 0.5");
    EXPECT_EQ(SpeedSpokenText(3.5, LangItalian, italy), QStringLiteral("Velocit\u00e0 3,5"));
    EXPECT_EQ(SpeedSpokenText(1.25, LangItalian, italy), QStringLiteral("Velocit\u00e0 1,25"));
    EXPECT_EQ(VolumeSpokenText(80, LangItalian), "Volume 80");
    EXPECT_EQ(VolumeSpokenText(0, LangSpanish), "Volumen 0");
    EXPECT_EQ(Text(TextId::StoppedSpoken, LangItalian), "Fermo");
    EXPECT_EQ(Text(TextId::StoppedSpoken, LangSpanish), "Detenido");
}

} // namespace
