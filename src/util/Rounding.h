#pragma once

#include <cmath>

/// Nearest integer with halves going to the even neighbour (banker's rounding).
inline long long RoundHalfEven(double x) {
    return static_cast<long long>(std::nearbyint(x));
}
