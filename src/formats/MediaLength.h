#pragma once

#include <QString>

#include <optional>

/// The length in seconds of the media file at path, as libavformat reads it from the container's
/// headers (and, where those say nothing, from the first packets); nullopt when the file cannot be
/// opened or gives no length. Blocks on the file: call it off the UI thread.
std::optional<double> ReadMediaLength(const QString& path);
