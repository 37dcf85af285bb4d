#include "engine/MpvMediaInfo.h"

#include "engine/MpvEvents.h"

#include <gtest/gtest.h>

namespace {

// A string property as the drain copies it; no text: mpv reports it unavailable.
MpvEventData Property(MpvProperty property, const char* text) {
    MpvEventData e;
    e.kind = MpvEventKind::PropertyChange;
    e.property = property;
    e.hasValue = text != nullptr;
    e.text = QString::fromUtf8(text ? text : "");
    return e;
}

TEST(MpvMediaInfo, TagsOfAPreparedEntryCountOnlyOnceItIsAdopted) {
    MpvMediaInfo info;
    info.SetFile("a.mp3");
    info.OnStartFile();
    EXPECT_TRUE(info.OnProperty(Property(MpvProperty::TitleTag, " Uno "), true));
    EXPECT_EQ(info.Tags().title, "Uno");
    EXPECT_FALSE(info.OnProperty(Property(MpvProperty::TitleTag, "Uno"), true));

    info.OnStartFile(); // mpv moved on to the entry prepared after it
    EXPECT_FALSE(info.OnProperty(Property(MpvProperty::TitleTag, "Due"), false));
    info.OnProperty(Property(MpvProperty::ArtistTag, "Autore"), false);
    EXPECT_EQ(info.Tags().title, "Uno");
    EXPECT_EQ(info.Tags().artist, "");
    info.Adopt();
    EXPECT_EQ(info.Tags().title, "Due");
    EXPECT_EQ(info.Tags().artist, "Autore");

    info.OnProperty(Property(MpvProperty::ArtistTag, nullptr), true);
    EXPECT_EQ(info.Tags().artist, "");
}

TEST(MpvMediaInfo, AMetafileIsTitledByTheEntryPlayingNotByItsTags) {
    MpvMediaInfo info;
    info.SetEntry("Voce due");
    info.OnStartFile();
    info.OnProperty(Property(MpvProperty::TitleTag, "Tag of the entry's file"), true);
    info.Adopt();
    EXPECT_EQ(info.Tags().title, "Voce due");
    EXPECT_EQ(info.Name(), "Voce due");
    info.OnProperty(Property(MpvProperty::TitleTag, "Tag of the second file"), true);
    EXPECT_EQ(info.Tags().title, "Voce due");
}

} // namespace
