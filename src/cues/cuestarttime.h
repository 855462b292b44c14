#pragma once

#include "audiofileconfig.h"

#include <QTime>

// The time of day at which slot's cue starts. An hour above 23 or a minute or second above 59
// (possible from the store) gives an invalid time; invalid times all compare equal to each
// other and unequal to every valid one.
QTime cueStartTime(const AudioFileConfig& config, int slot);

// True when slot has a file and another slot with a file starts at the same time: only the lower
// of such slots would ever play.
bool sharesStartTime(const AudioFileConfig& config, int slot);
