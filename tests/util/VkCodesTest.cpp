#include "util/VkCodes.h"

#include <gtest/gtest.h>

namespace {

TEST(VkFromQtKey, TranslatesTheKeysOfTheKeyMap) {
    const struct {
        int qtKey;
        int vk;
    } cases[] = {
        {Qt::Key_Space, VK_SPACE},
        {Qt::Key_Left, VK_LEFT},
        {Qt::Key_Up, VK_UP},
        {Qt::Key_Right, VK_RIGHT},
        {Qt::Key_Down, VK_DOWN},
        {Qt::Key_Return, VK_RETURN},
        {Qt::Key_Enter, VK_RETURN},
        {Qt::Key_Escape, VK_ESCAPE},
        {Qt::Key_A, 65},
        {Qt::Key_J, VK_J},
        {Qt::Key_O, VK_O},
        {Qt::Key_P, VK_P},
        {Qt::Key_S, VK_S},
        {Qt::Key_Z, 90},
        {Qt::Key_F1, VK_F1},
        {Qt::Key_F4, VK_F4},
        {Qt::Key_F5, VK_F5},
        {Qt::Key_F8, VK_F8},
        {Qt::Key_F9, VK_F9},
        {Qt::Key_F12, VK_F12},
        {Qt::Key_F24, 135},
        {Qt::Key_MediaPlay, VK_MEDIA_PLAY_PAUSE},
        {Qt::Key_MediaTogglePlayPause, VK_MEDIA_PLAY_PAUSE},
        {Qt::Key_MediaPause, VK_MEDIA_PLAY_PAUSE},
        {Qt::Key_Play, VK_PLAY},
        {Qt::Key_MediaStop, VK_MEDIA_STOP},
        {Qt::Key_MediaPrevious, VK_MEDIA_PREV_TRACK},
        {Qt::Key_MediaNext, VK_MEDIA_NEXT_TRACK},
        {Qt::Key_VolumeDown, VK_VOLUME_DOWN},
        {Qt::Key_VolumeUp, VK_VOLUME_UP},
        {Qt::Key_PageUp, VK_PRIOR},
        {Qt::Key_PageDown, VK_NEXT},
        // Keys outside the map, including neighbours of the ranges, give no code.
        {Qt::Key_F25, 0},
        {Qt::Key_BracketLeft, 0},
        {Qt::Key_At, 0},
        {Qt::Key_0, 0},
        {Qt::Key_Tab, 0},
        {Qt::Key_VolumeMute, 0},
        {Qt::Key_unknown, 0},
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VkFromQtKey(c.qtKey), c.vk) << std::hex << c.qtKey;
}

TEST(VkCodes, KeyMapCodesHaveTheirFixedValues) {
    const int codes[] = {VK_SPACE,
                         VK_LEFT,
                         VK_UP,
                         VK_RIGHT,
                         VK_DOWN,
                         VK_RETURN,
                         VK_ESCAPE,
                         VK_P,
                         VK_S,
                         VK_J,
                         VK_O,
                         VK_F1,
                         VK_F4,
                         VK_F5,
                         VK_F8,
                         VK_F9,
                         VK_F12,
                         VK_PLAY,
                         VK_MEDIA_PLAY_PAUSE,
                         VK_MEDIA_STOP,
                         VK_MEDIA_PREV_TRACK,
                         VK_MEDIA_NEXT_TRACK,
                         VK_VOLUME_DOWN,
                         VK_VOLUME_UP};
    const int expected[] = {32,  37,  38,  39,  40,  13,  27,  80,  83,  74,  79,  112,
                            115, 116, 119, 120, 123, 250, 179, 178, 177, 176, 174, 175};
    for (std::size_t i = 0; i < std::size(codes); ++i)
        EXPECT_EQ(codes[i], expected[i]) << i;
}

TEST(ShiftStateFromQt, KeepsShiftAltCtrlAndSetsMetaApart) {
    const struct {
        Qt::KeyboardModifiers modifiers;
        int state;
    } cases[] = {
        {Qt::NoModifier, ssNone},
        {Qt::KeypadModifier, ssNone},
        {Qt::GroupSwitchModifier, ssNone},
        {Qt::ShiftModifier, ssShift},
        {Qt::ControlModifier, ssCtrl},
        {Qt::ControlModifier | Qt::KeypadModifier, ssCtrl},
        {Qt::AltModifier, ssAlt},
        {Qt::ControlModifier | Qt::ShiftModifier, ssCtrl | ssShift},
        {Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier, ssAlt | ssCtrl | ssShift},
        {Qt::MetaModifier, ssMeta},
        {Qt::MetaModifier | Qt::ControlModifier, ssMeta | ssCtrl},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShiftStateFromQt(c.modifiers), c.state) << c.modifiers.toInt();
    EXPECT_NE(ShiftStateFromQt(Qt::MetaModifier), ssNone);
}

} // namespace
