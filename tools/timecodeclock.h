#pragma once

#include "artnet/arttimecode.h"

#include <optional>

// Advances an Art-Net timecode by one frame at its own rate, with the drop-frame rule for
// type 2 (frames 0 and 1 skipped at each minute but every tenth).
ArtTimecode nextFrame(ArtTimecode timecode);

// A running 30 frames/s (SMPTE, type 3) clock counted in frames from 00:00:00:00, wrapping
// after 24 hours; and back, for what such a clock sends (nothing for any other timecode).
ArtTimecode timecodeAtFrame(qint64 frame);
std::optional<qint64> frameOfTimecode(const ArtTimecode& timecode);
