#pragma once

#include <QString>

// Writes a WAV file of a 440 Hz tone, 24-bit stereo at 48 kHz, of the given length, a second at
// a time so that a ten-minute file never sits in the benchmark's memory either.
bool writeLongCueFile(const QString& path, int seconds);
