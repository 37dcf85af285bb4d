#include "formats/MediaFileKind.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaFileKind, MidAndMidiAndRmiAreMidiFiles) {
    for (const char* name : {"/m/a.mid", "/m/B.MIDI", "/m/c.Rmi", "rel/d.mid"})
        EXPECT_TRUE(IsMidiFileName(name)) << name;
    for (const char* name : {"/m/e.mid.wav", "/m/mid", "/m/f.midx", "/m/a.asx", ""})
        EXPECT_FALSE(IsMidiFileName(name)) << name;
}

TEST(MediaFileKind, OnlyAsxAndWaxAreMetafiles) {
    for (const char* name : {"/m/a.asx", "/m/B.ASX", "/m/c.Wax"})
        EXPECT_TRUE(IsAsxFileName(name)) << name;
    for (const char* name : {"/m/a.asx.mp3", "/m/asx", "/m/a.wvx", "/m/a.wav"})
        EXPECT_FALSE(IsAsxFileName(name)) << name;
}

} // namespace
