#pragma once

#include "artnet/arttimecode.h"

#include <optional>

// The benchmark's timecode senders count frames as a real 30 frames/s show clock starting at
// 01:00:00:00, so the value the node shows tells which datagram it came from.
ArtTimecode timecodeForFrame(qint64 frame);
// The frame number of a value of that clock; nothing for a value it never shows.
std::optional<qint64> frameForTimecode(const ArtTimecode& timecode);
