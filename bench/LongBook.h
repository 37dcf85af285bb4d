#pragma once

// The long talking book the benchmarks read and play: 30 hours, 2,000 SMIL files, 50,000 phrases.
// A real book names one audio file per SMIL file or so; fewer serve here.
inline constexpr int kLongBookSmilFiles = 2000;
inline constexpr int kLongBookPhrases = 50000;
inline constexpr double kLongBookHours = 30;
inline constexpr int kLongBookAudioFiles = 20;
// What a book may add to the memory of playing one plain file.
inline constexpr double kLongBookMemoryGoalMB = 30;
