#pragma once

#include "cues/audiofileconfig.h"
#include "senderclock.h"

#include <QString>

#include <array>
#include <optional>

// What the show line tells a technician at a glance: the cue that plays, how far it has played
// and how long it has left, and the next cue of the leading sender with the countdown to it.
// Everything here follows from the senders' timecode and the cue list, not from the wall clock:
// a locate, a stop or a second sender moves it at once.
namespace ShowStatus {

// The playing cue, placed by the timecode of the sender that drives it.
struct Playing
{
    int slot = -1;
    qint64 playedMs = 0;
    qint64 leftMs = 0;   // -1 when the file's length is not known
    qint64 lengthMs = 0; // -1 when not known
};

// The next cue ahead of a sender, and how far ahead in that sender's frames.
struct Next
{
    int slot = -1;
    qint64 frames = 0;
    quint8 type = 0;
};

// The sender whose timecode the show line follows: the one that drives the playing cue, if it has
// a clock; otherwise the one whose clock ran forward last. -1 when no sender has a clock.
int leadingSender(const SenderClocks& clocks, int driver);

// The playing slot placed by the driver's clock: how far past the cue's start it is (at most its
// length), and what is left of the file.
std::optional<Playing> playing(const SenderClock& driver, const AudioFileConfig& config, int slot,
                               qint64 lengthMs);

// The first cue with a sound that starts after the sender's place, less than half a day ahead (a
// show that runs through midnight counts on); of two cues at one time the upper slot, which is
// the one that plays. Nothing when the sender is past the last cue.
std::optional<Next> next(const SenderClock& sender, const AudioFileConfig& config,
                         const std::array<bool, AudioSlotCount>& hasSound);

// The countdown, counted in the sender's frames, written as a time: hh:mm:ss:ff from a minute on,
// and as seconds with tenths below ("9.6 s").
QString countdownText(qint64 frames, quint8 type);
// Below this the countdown is drawn in the warning colour: the cue is about to go.
constexpr qint64 WarningMs = 10000;
bool isWarning(qint64 frames, quint8 type);

// mm:ss, minutes running on past 59 ("75:03"); "--:--" for an unknown time.
QString minutesText(qint64 ms);

} // namespace ShowStatus
