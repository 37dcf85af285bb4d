#pragma once

/// The orders the SortType option builds the track list in.
inline constexpr int kSortAsFound = 0;
inline constexpr int kSortAlphabetical = 1;
inline constexpr int kSortShuffled = 2;
