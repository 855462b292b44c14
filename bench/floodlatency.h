#pragma once

#include "floodsender.h"

#include <limits>

// How long each sent timecode frame took to become readable: until the first moment a frame at
// least as new was readable from its sender, since a reader that missed a frame because a newer
// one overwrote it waited that long for a value at least that new. A frame after which nothing
// newer was ever readable counts as NeverReadable. Sorted, for the quantiles.
constexpr qint64 NeverReadable = std::numeric_limits<qint64>::max();
std::vector<qint64> timecodeLatencies(const std::vector<TimecodeEvent>& sent,
                                      const std::vector<TimecodeEvent>& seen);
