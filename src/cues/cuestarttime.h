#pragma once

#include "audiofileconfig.h"

#include <QString>
#include <QTime>

#include <array>
#include <optional>

// The time of day at which slot's cue starts. An hour above 23 or a minute or second above 59
// (possible from the store) gives an invalid time; invalid times all compare equal to each
// other and unequal to every valid one.
QTime cueStartTime(const AudioFileConfig& config, int slot);

// True when slot has a file and another slot with a file starts at the same time, frame and all:
// only the lower of such slots would ever play.
bool sharesStartTime(const AudioFileConfig& config, int slot);

// How much of slot's cue the next cue's start cuts off, in ms, given the files' lengths (-1 for
// unknown): the next cue is the one with a file that starts soonest after it. Nothing when the cue
// ends first, or its length or start is not known. Frames count at 25 fps, the rate of most shows.
std::optional<qint64> cutShortByMs(const AudioFileConfig& config,
                                   const std::array<qint64, AudioSlotCount>& lengthMs, int slot);

// The rates (frames a second) of the senders at which slot's start frame never comes: "24 and 25"
// for frame 27; empty when every rate has it.
QString ratesWithoutFrame(const AudioFileConfig& config, int slot);
