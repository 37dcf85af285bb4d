#include "playlist/TrackName.h"

#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct NameCase {
    const char* name;
    TrackName track;
    int language;
    const char* title;
    const char* spoken;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class TrackNameRule : public ::testing::TestWithParam<NameCase> {};

TEST_P(TrackNameRule, TitleAndWhatIsSaid) {
    const NameCase& c = GetParam();
    EXPECT_EQ(c.track.Title(), QString::fromUtf8(c.title));
    EXPECT_EQ(c.track.Spoken(c.language), QString::fromUtf8(c.spoken));
}

TrackName Book(const char* tag, const char* previous, int index = 2, int count = 27) {
    return {QString::fromUtf8(tag), QStringLiteral("/b/03 parte.mp3"), index, count,
            QString::fromUtf8(previous)};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrackNameRule,
    ::testing::Values(
        NameCase{"TagNamesTheTrack", Book("La tempesta", "Prologo"), LangItalian, "La tempesta",
                 "La tempesta"},
        NameCase{
            "NoTagFileNameWithoutExtension", {"", "/m/01 La.wav", 0, 3, ""}, LangItalian, "01 La", "01 La"},
        NameCase{"BlankTagCountsAsNone", {"  ", "/m/01 La.wav", 0, 3, "  "}, LangItalian, "01 La", "01 La"},
        NameCase{
            "OnlyTheLastDotStartsTheExtension", {"", "/m.d/a.b.flac", 0, 1, ""}, LangItalian, "a.b", "a.b"},
        NameCase{"HiddenFileKeepsItsName", {"", "/m/.ogg", 0, 1, ""}, LangItalian, ".ogg", ".ogg"},
        NameCase{"NoExtension", {"", "/m.d/README", 0, 1, ""}, LangItalian, "README", "README"},
        NameCase{"SameTagAsBeforeSaysThePlace", Book("Il libro", "Il libro"), LangItalian, "Il libro",
                 "Il libro, 3 di 27"},
        NameCase{"SameTagInSpanish", Book("El libro", "El libro"), LangSpanish, "El libro",
                 "El libro, 3 de 27"},
        NameCase{"SameTagAsideFromCaseAndSpaces", Book(" IL LIBRO", "il libro "), LangOther, "IL LIBRO",
                 "IL LIBRO, 3 di 27"},
        NameCase{"FirstTrackOfABook", Book("Il libro", ""), LangItalian, "Il libro", "Il libro"},
        NameCase{"UntaggedAfterUntagged", {"", "/m/b.mp3", 1, 2, ""}, LangItalian, "b", "b"},
        NameCase{"PlaceOutsideTheListIsLeftOut", Book("Il libro", "Il libro", 27, 27), LangItalian,
                 "Il libro", "Il libro"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

} // namespace
