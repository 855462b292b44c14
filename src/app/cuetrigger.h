#pragma once

#include "artnet/arttimecode.h"
#include "cues/audiofileconfig.h"

#include <QList>

#include <array>
#include <optional>

// Decides which cue the timecode of the senders starts, and how far into its file.
//
// A cue fires when a sender's timecode runs forward across the cue's start time: the previous
// timecode of that sender was before the start, and the current one is at or after it by no
// more than CatchUpFrames. So a lost datagram, a drop-frame minute without frame 0, or a display
// held up for a few frames still start the cue, and late by exactly as much as the show has run
// on. A locate is no run: a jump backwards, or forwards to more than CatchUpFrames past the
// start, fires nothing; a locate exactly onto the start does.
//
// Distances are frame counts at each sender's own rate (TimecodeFrames). Every timecode that
// arrives is shown to see(), in order; the cue to start is then taken with takeStart(), which may
// come after a whole burst of datagrams, so that a cue found early in the burst starts as far on
// as the burst's last timecode says.
class CueTrigger
{
public:
    // How far past its start a cue may be when its sender is first seen beyond the start. Jam
    // sync in show controllers catches up over a few frames; 10 frames (a third of a second at
    // 30 fps) covers a run of lost datagrams or a display held up by a slow repaint, yet a
    // locate half a second or more past the start is still told apart from a running show.
    static constexpr int CatchUpFrames = 10;
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

    // Sender number source sent timecode, heard at nowMs. Only slots with a sound take part;
    // of several slots with the same start time the lowest one fires.
    void see(int source, const ArtTimecode& timecode, const AudioFileConfig& config,
             const std::array<bool, AudioSlotCount>& hasSound, qint64 nowMs);
    // The cue that the timecodes seen since the last call start, if any.
    std::optional<Start> takeStart();
    bool hasStart() const { return pending.has_value(); }

private:
    struct Seen
    {
        qint64 count = 0;
        quint8 type = 0;
    };
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

    std::optional<Seen> lastSeen(int source) const;
    void followPending(int source, const std::optional<Seen>& previous, const Seen& current);

    QList<std::optional<Seen>> seen;
    std::optional<Fired> lastFired;
    std::optional<Pending> pending;
};
