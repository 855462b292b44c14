#pragma once

#include "cues/audiofileconfig.h"
#include "senderclock.h"

#include <QList>

#include <array>
#include <optional>

// Cues that follow timecode, as a media server chases it: a cue sounds while a sender's running
// clock is inside its span, at the place in its file that the clock names, and nowhere else.
//
// A cue's span runs from its start time for the length of its file; of two overlapping spans the
// later start wins. The sender that started a cue drives it: a jump of more than ToleranceFrames
// moves the sound to the new place, less is left alone; when the driver leaves the span (a locate
// out, the end of the file) the cue stops. A cue sounds only while its driver's clock runs: a
// driver that stands still or falls silent for longer than FreewheelMs stops it with a fade, and
// when the clock runs again inside the span the cue goes on from the matching place. A console
// located into a span, or parked on a start, starts nothing until its clock runs. When the driver
// stops while another sender runs inside the same span (a backup console), that sender takes over
// without a stop or a restart. A cue stopped by hand, or whose file ended, stays stopped until its
// sender leaves the span and comes back.
//
// follow() is pure: it reads the senders' clocks, the cue list and the time it is given, and says
// what the sound layer is to do. The window calls it after each burst of timecode datagrams and on
// its display tick, so that a sender that falls silent is noticed too.
class CueFollower
{
public:
    // A backup console runs a frame or two off the main one, and datagrams arrive in clumps of a
    // frame or two on a busy network or a busy machine: moving the sound for that would stutter.
    // A locate by hand is seconds away. Three frames (120 ms at 25 fps) leave the first alone and
    // are still about where sound and picture are seen to part.
    static constexpr int ToleranceFrames = 3;
    // How long a driver's clock may stand still or fall silent before its cue stops. Long enough
    // to ride over a run of lost datagrams or a Wi-Fi hiccup (a dozen frames), short enough that
    // the sound stops with the console as a technician expects when they press stop.
    static constexpr qint64 FreewheelMs = 400;
    // Stops ordered by the show end with this fade, not a click; short, since the freewheel time
    // has already passed when the show stops a cue.
    static constexpr int StopFadeMs = 20;

    struct Action
    {
        enum class Kind
        {
            Start, // start the cue at placeMs; every other cue stops
            Move,  // the cue plays on from placeMs
            Stop,  // the cue stops with a short fade
        };
        Kind kind = Kind::Start;
        int slot = -1;
        qint64 placeMs = 0;
        friend bool operator==(const Action& a, const Action& b)
        {
            return a.kind == b.kind && a.slot == b.slot && a.placeMs == b.placeMs;
        }
    };

    // lengthMs: each slot's file length as the sound layer knows it; below 1 for a slot without a
    // sound or whose length is not known (yet): such a slot has no span.
    QList<Action> follow(const SenderClocks& clocks, const AudioFileConfig& config,
                         const std::array<qint64, AudioSlotCount>& lengthMs, qint64 nowMs);
    // The stop button: the playing cue stays stopped until its driver leaves its span.
    void stopByHand();
    // The sound layer says the playing cue's file came to its end, or cannot go on.
    void ended(int slot);
    // The cues were rebuilt: nothing plays, nothing is held.
    void reset();

    // When the playing cue's driver will have stood still for longer than FreewheelMs, if nothing
    // moves it before: the time to follow() again, so that the cue stops on time between ticks.
    std::optional<qint64> freewheelEndsMs(const SenderClocks& clocks) const;

    // The slot that plays and the sender that drives it; -1 for none.
    int playingSlot() const { return playing ? playing->slot : -1; }
    int driver() const { return playing ? playing->driver : -1; }

private:
    struct Playing
    {
        int slot = -1;
        int driver = -1;
        qint64 anchorPlaceMs = 0; // the place the sound was put at ...
        qint64 anchorMs = 0;      // ... at this time
    };
    struct Held
    {
        int slot = -1;
        int source = -1;
    };
    struct Spans;

    void hold();

    std::optional<Playing> playing;
    QList<Held> held;
};
