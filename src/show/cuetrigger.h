#pragma once

#include "cues/audiofileconfig.h"
#include "senderclock.h"

#include <array>
#include <optional>

// Decides which cue the timecode of the senders starts, and how far into its file.
//
// A cue fires when a sender's clock runs forward across the cue's start time: it was before the
// start, and is now at or after it by no more than SenderClock::CatchUpFrames. So a lost
// datagram, a drop-frame minute without frame 0, or a display held up for a few frames still
// start the cue, and late by exactly as much as the show has run on. A locate is no run: a jump
// backwards, or forwards to more than CatchUpFrames past the start, fires nothing; a locate
// exactly onto the start does, once the datagram after it confirms it (SenderClock), one frame
// into the file when the console runs on.
//
// The clock's moves are shown to see(), in order; the cue to start is then taken with
// takeStart(), which may come after a whole burst of datagrams, so that a cue found early in the
// burst starts as far on as the burst's last timecode says.
class CueTrigger
{
public:
    // A main and a backup console send the same show a frame or two apart: the second crossing
    // of a start time within this time of the first, from another sender, is the same cue.
    static constexpr qint64 SameCueFromOtherSenderMs = 1000;

    struct Start
    {
        int slot = -1;
        qint64 offsetMs = 0;
        friend bool operator==(const Start& a, const Start& b)
        {
            return a.slot == b.slot && a.offsetMs == b.offsetMs;
        }
    };

    // Sender number source's clock moved by step, heard at nowMs. Only slots with a sound take
    // part; of several slots with the same start time the lowest one fires.
    void see(int source, const SenderClock::Step& step, const AudioFileConfig& config,
             const std::array<bool, AudioSlotCount>& hasSound, qint64 nowMs);
    // The cue that the timecodes seen since the last call start, if any.
    std::optional<Start> takeStart();
    bool hasStart() const { return pending.has_value(); }
    // The sender's number now names another sender: what it started is no longer its doing.
    void forget(int source);

    // Whether a timecode of the next withinMs could start a cue: some sender's clock, or the
    // place a locate of it waits to be confirmed at, stands that little before (or on) the start
    // of a slot with a sound. Elsewhere only the display needs the timecode, at its own pace.
    static bool startsWithin(const SenderClocks& clocks, const AudioFileConfig& config,
                             const std::array<bool, AudioSlotCount>& hasSound, qint64 withinMs);

    // The cue started last and the sender that started it.
    struct Started
    {
        int source = -1;
        int slot = -1;
    };
    std::optional<Started> lastStarted() const
    {
        return lastFired ? std::optional<Started>(Started{lastFired->source, lastFired->slot}) : std::nullopt;
    }

private:
    struct Fired
    {
        int source = -1;
        int slot = -1;
        qint64 atMs = 0;
    };
    struct Pending
    {
        int source = -1;
        int slot = -1;
        qint64 framesLate = 0;
        quint8 type = 0;
    };

    std::optional<Fired> lastFired;
    std::optional<Pending> pending;
};
