#pragma once

#include <QString>

/// Writes a mono 16-bit PCM WAV file of a sine tone; returns false when the file cannot be written.
bool WriteToneWav(const QString& path, double seconds, int sampleRate = 8000, double frequency = 440.0);
