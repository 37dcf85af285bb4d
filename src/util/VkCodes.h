#pragma once

#include <Qt>

// The key map is written in virtual-key codes; Qt's keys are translated once, at the edge, so the
// command tables hold the same numbers whatever the keyboard layer reports.
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33; // Page Up
inline constexpr int VK_NEXT = 34;  // Page Down
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_J = 'J';
inline constexpr int VK_O = 'O';
inline constexpr int VK_P = 'P';
inline constexpr int VK_S = 'S';
inline constexpr int VK_F1 = 112;
inline constexpr int VK_F2 = 113;
inline constexpr int VK_F3 = 114;
inline constexpr int VK_F4 = 115;
inline constexpr int VK_F5 = 116;
inline constexpr int VK_F6 = 117;
inline constexpr int VK_F7 = 118;
inline constexpr int VK_F8 = 119;
inline constexpr int VK_F9 = 120;
inline constexpr int VK_F12 = 123;
inline constexpr int VK_VOLUME_DOWN = 174;
inline constexpr int VK_VOLUME_UP = 175;
inline constexpr int VK_MEDIA_NEXT_TRACK = 176;
inline constexpr int VK_MEDIA_PREV_TRACK = 177;
inline constexpr int VK_MEDIA_STOP = 178;
inline constexpr int VK_MEDIA_PLAY_PAUSE = 179;
inline constexpr int VK_PLAY = 250;

/// Virtual-key code of a Qt::Key (letters 65-90, F1-F24 112-135, the keys above); 0 for any other.
int VkFromQtKey(int qtKey);

/// The modifiers that key commands look at, as a set of bits; ssMeta only keeps Meta combinations
/// from passing for "no modifier".
enum ShiftState { ssNone = 0, ssShift = 1, ssAlt = 2, ssCtrl = 4, ssMeta = 8 };

/// The ShiftState bits of Qt's modifiers; keypad and group-switch flags are ignored.
int ShiftStateFromQt(Qt::KeyboardModifiers modifiers);
