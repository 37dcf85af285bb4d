#pragma once

#include <QStringView>

#include <optional>

/// Seconds of a clip time as talking books write it: an optional "npt=" prefix (DAISY 2.02), then
/// a SMIL clock value: full clock "1:02:03.5", partial clock "02:03.5", or a count with an optional
/// metric ("12.5", "12.5s", "500ms", "1.5min", "1h"). Nothing when the text is none of these.
std::optional<double> ParseClockValue(QStringView text);
