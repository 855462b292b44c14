#include "cuetrigger.h"

#include "artnet/timecodeframes.h"

namespace {

// a mod day, in 0 .. day - 1: counts wrap at midnight.
qint64 wrapped(qint64 frames, qint64 day)
{
    const qint64 rest = frames % day;
    return rest < 0 ? rest + day : rest;
}

} // namespace

void CueTrigger::see(int source, const ArtTimecode& timecode, const AudioFileConfig& config,
                     const std::array<bool, AudioSlotCount>& hasSound, qint64 nowMs)
{
    if (source < 0)
        return;
    std::optional<Seen> previous = lastSeen(source);
    // A sender that changed its rate counted in other frames: nothing to compare with.
    if (previous && previous->type != timecode.type)
        previous.reset();
    if (source >= seen.size())
        seen.resize(source + 1);
    const std::optional<qint64> count = TimecodeFrames::count(timecode);
    if (!count) {
        // Out of a clock's range: neither a place in the show nor a step from the last one.
        seen[source].reset();
        if (pending && pending->source == source)
            pending.reset();
        return;
    }
    const Seen current{*count, timecode.type};
    seen[source] = current;
    followPending(source, previous, current);

    // A parked console repeats its timecode: it has already been seen.
    if (previous && previous->count == current.count)
        return;

    const qint64 day = TimecodeFrames::framesPerDay(timecode.type);
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (!hasSound[size_t(slot)])
            continue;
        const std::optional<qint64> start = TimecodeFrames::count(config.hour[slot], config.minute[slot],
                                                                  config.seconds[slot], 0, timecode.type);
        if (!start)
            continue;
        const qint64 late = wrapped(current.count - *start, day);
        bool crossed = late == 0; // onto the start: a run, or a locate right onto it
        if (!crossed && late <= CatchUpFrames && previous) {
            // Before the start means less than half a day before it, so that a run through
            // midnight is still a run.
            const qint64 ahead = wrapped(*start - previous->count, day);
            crossed = ahead > 0 && ahead <= day / 2;
        }
        if (!crossed)
            continue;
        if (lastFired && lastFired->slot == slot && lastFired->source != source &&
            nowMs - lastFired->atMs < SameCueFromOtherSenderMs)
            return;
        lastFired = Fired{source, slot, nowMs};
        pending = Pending{source, slot, late, timecode.type};
        return;
    }
}

std::optional<CueTrigger::Start> CueTrigger::takeStart()
{
    if (!pending)
        return std::nullopt;
    const Start start{pending->slot, TimecodeFrames::milliseconds(pending->framesLate, pending->type)};
    pending.reset();
    return start;
}

std::optional<CueTrigger::Seen> CueTrigger::lastSeen(int source) const
{
    return source < seen.size() ? seen[source] : std::nullopt;
}

void CueTrigger::followPending(int source, const std::optional<Seen>& previous, const Seen& current)
{
    if (!pending || pending->source != source)
        return;
    // The cue waits for the end of a burst of datagrams; while its sender runs on, it starts
    // that much further into its file. A locate in between calls it off.
    const qint64 step =
        previous ? wrapped(current.count - previous->count, TimecodeFrames::framesPerDay(current.type)) : -1;
    if (step < 0 || step > CatchUpFrames)
        pending.reset();
    else
        pending->framesLate += step;
}
