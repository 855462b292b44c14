#pragma once

#include "artnet/arttimecode.h"

#include <QList>

#include <optional>

// Where each sender's show clock stands, as far as it can be trusted.
//
// UDP may deliver datagrams out of order, and converters and consoles send the odd stray value.
// Taken at its word, one datagram out of line looks like a locate and back, and a cue that is
// playing starts a second time. So a timecode that does not continue the sender's clock
// (backwards, or forwards by more than CatchUpFrames) is only a jump once the sender's next
// datagram continues it (ConfirmFrames: the same frame, or the frame after). Until then the clock
// stays where it was and the odd value is held aside; a value that continues the clock sends the
// held one away as the stray it was. A real locate costs one datagram, one frame: its next frame
// confirms it.
//
// Counts are frames at the sender's own rate (TimecodeFrames). A sender that changes its rate, or
// sends a timecode outside a clock, starts afresh: its next timecode is compared with nothing, and
// is itself only a place once the one after it continues it.
class SenderClock
{
public:
    // How far one datagram may move a running clock on: a run of lost datagrams, a display held
    // up for a few frames. Jam sync in show controllers catches up over a few frames; 10 (a third
    // of a second at 30 fps) covers that, and a locate half a second or more away is still told
    // apart from a running show.
    static constexpr int CatchUpFrames = 10;
    // A jump counts when the sender's next datagram continues it: the same frame (a console
    // parked where it was located to) or the one after (a console that runs on from there).
    static constexpr int ConfirmFrames = 1;

    enum class Move
    {
        Run,  // continues the clock, from `from` (the same frame for a parked console)
        Jump, // a locate, confirmed: the clock was at `from` (if anywhere), landed on `landed`,
              // and the confirming datagram brought it on to `to`
    };
    struct Step
    {
        Move move = Move::Run;
        std::optional<qint64> from;
        qint64 landed = 0;
        qint64 to = 0;
        quint8 type = 0;
    };

    // Takes the sender's next timecode, heard at nowMs. Returns how the clock moved, or nothing
    // while it stands where it was (a held stray, a timecode outside a clock, a first timecode).
    std::optional<Step> see(const ArtTimecode& timecode, qint64 nowMs);

    // The trusted place, frames at rate type(); nothing before a first confirmed timecode.
    std::optional<qint64> count() const { return confirmed; }
    quint8 type() const { return rate; }
    // When the clock last ran forward, as opposed to standing still or being located: a console
    // that is parked, or that was located and has not run on since, has not moved.
    std::optional<qint64> lastAdvanceMs() const { return advancedAtMs; }
    // Where an unconfirmed locate (or a first timecode) would put the clock once the next datagram
    // continues it.
    std::optional<qint64> pendingPlace() const { return held; }

    // a mod day, in 0 .. day - 1: counts wrap at midnight.
    static qint64 wrapped(qint64 frames, qint64 day);

private:
    std::optional<qint64> confirmed;
    std::optional<qint64> held;
    std::optional<qint64> advancedAtMs;
    quint8 rate = 0;
};

// The clocks of every sender, by the sender's number in the list of senders.
class SenderClocks
{
public:
    std::optional<SenderClock::Step> see(int source, const ArtTimecode& timecode, qint64 nowMs);
    // The sender's number now names another sender (a full table gave it to a newcomer).
    void forget(int source);
    int size() const { return int(clocks.size()); }
    // A clock that never saw anything for sources not heard yet.
    const SenderClock& at(int source) const;

private:
    QList<SenderClock> clocks;
};
