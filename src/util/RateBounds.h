#pragma once

/// The rates the speed keys reach, and so the only ones the desktop or a stored speed may set.
inline constexpr double kMinRate = 0.5;
inline constexpr double kMaxRate = 5.0;
