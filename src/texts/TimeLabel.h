#pragma once

#include <QString>

/// "1 min  15 sec" for 75 seconds; throws std::invalid_argument for a negative or NaN value.
QString TimeLabel(double seconds);
