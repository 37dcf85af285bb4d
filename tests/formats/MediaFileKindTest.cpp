#include "formats/MediaFileKind.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaFileKind, OnlyAsxAndWaxAreMetafiles) {
    for (const char* name : {"/m/a.asx", "/m/B.ASX", "/m/c.Wax"})
        EXPECT_TRUE(IsAsxFileName(name)) << name;
    for (const char* name : {"/m/a.asx.mp3", "/m/asx", "/m/a.wvx", "/m/a.wav"})
        EXPECT_FALSE(IsAsxFileName(name)) << name;
}

} // namespace
