#pragma once

#include "cues/audiofileconfig.h"

#include <QtGlobal>

#include <optional>

// Where slot's cue starts in the frames of a sender of the given type (TimecodeFrames' count of
// its hh:mm:ss:ff). Nothing for a start that the rate cannot show, such as frame 27 at 25 fps: a
// sender at that rate never reaches it, so the cue never fires from it.
std::optional<qint64> cueStartCount(const AudioFileConfig& config, int slot, quint8 type);
