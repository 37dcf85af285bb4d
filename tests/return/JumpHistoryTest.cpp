#include "return/JumpHistory.h"

#include <gtest/gtest.h>

namespace {

TEST(JumpHistoryTest, GoesBackThroughTheLastTenPlacesAcrossFiles) {
    TJumpHistory history;
    history.AboutToJump(JumpPlace{QString(), 0, 5}); // nothing was playing: no place
    for (int i = 0; i < 12; ++i)
        history.AboutToJump(JumpPlace{QStringLiteral("/f%1.mp3").arg(i % 3), i % 3, i * 10.0});
    history.AboutToJump(JumpPlace{"/f2.mp3", 2, 110}); // the same place twice is kept once
    ASSERT_EQ(history.Size(), TJumpHistory::kKept);
    for (int i = 11; i >= 2; --i) {
        const std::optional<JumpPlace> place = history.Back();
        ASSERT_TRUE(place);
        EXPECT_EQ(place->file, QStringLiteral("/f%1.mp3").arg(i % 3));
        EXPECT_EQ(place->index, i % 3);
        EXPECT_EQ(place->seconds, i * 10.0);
    }
    EXPECT_FALSE(history.Back());
}

TEST(JumpHistoryTest, FindsThePlaceInTheListAsItIsNow) {
    const TPathList files(QStringList{"/a.mp3", "/b.mp3", "/a.mp3"});
    const struct {
        JumpPlace place;
        int index;
    } cases[] = {
        {{"/a.mp3", 2, 0}, 2},  // its own entry, of a file listed twice
        {{"/b.mp3", 0, 0}, 1},  // the list moved: the entry holding it
        {{"/b.mp3", 9, 0}, 1},  // an index past the end
        {{"/c.mp3", 1, 0}, -1}, // no longer listed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place.file.toStdString() + " " + std::to_string(c.place.index));
        EXPECT_EQ(TJumpHistory::IndexIn(files, c.place), c.index);
    }
}

} // namespace
