#include "cuetrigger.h"

#include "artnet/timecodeframes.h"
#include "cuestartcount.h"

namespace {

// Whether a clock that was at from (anywhere, if nothing) and is now at to ran onto or across
// start within the catch-up window.
bool crosses(std::optional<qint64> from, qint64 to, qint64 start, qint64 day)
{
    const qint64 late = SenderClock::wrapped(to - start, day);
    if (late == 0)
        return true; // onto the start: a run, or a locate right onto it
    if (late > SenderClock::CatchUpFrames || !from)
        return false;
    // Before the start means less than half a day before it, so that a run through midnight is
    // still a run.
    const qint64 ahead = SenderClock::wrapped(start - *from, day);
    return ahead > 0 && ahead <= day / 2;
}

} // namespace

void CueTrigger::see(int source, const SenderClock::Step& step, const AudioFileConfig& config,
                     const std::array<bool, AudioSlotCount>& hasSound, qint64 nowMs)
{
    const qint64 day = TimecodeFrames::framesPerDay(step.type);
    if (pending && pending->source == source) {
        // The cue waits for the end of a burst of datagrams; while its sender runs on, it starts
        // that much further into its file. A locate in between calls it off.
        if (step.move == SenderClock::Move::Run && step.from)
            pending->framesLate += SenderClock::wrapped(step.to - *step.from, day);
        else
            pending.reset();
    }
    // A parked console repeats its timecode: it has already been seen.
    if (step.move == SenderClock::Move::Run && step.from == step.to)
        return;

    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (!hasSound[size_t(slot)])
            continue;
        const std::optional<qint64> start = cueStartCount(config, slot, step.type);
        if (!start)
            continue;
        // A jump lands first and is then confirmed by a step on from where it landed: either may
        // bring the clock onto or across the start.
        bool crossed = crosses(step.from, step.landed, *start, day);
        if (step.move == SenderClock::Move::Jump && step.to != step.landed)
            crossed = crossed || crosses(step.landed, step.to, *start, day);
        if (!crossed)
            continue;
        if (lastFired && lastFired->slot == slot && lastFired->source != source &&
            nowMs - lastFired->atMs < SameCueFromOtherSenderMs)
            return;
        lastFired = Fired{source, slot, nowMs};
        pending = Pending{source, slot, SenderClock::wrapped(step.to - *start, day), step.type};
        return;
    }
}

void CueTrigger::forget(int source)
{
    if (pending && pending->source == source)
        pending.reset();
    if (lastFired && lastFired->source == source)
        lastFired.reset();
}

std::optional<CueTrigger::Start> CueTrigger::takeStart()
{
    if (!pending)
        return std::nullopt;
    const Start start{pending->slot, TimecodeFrames::milliseconds(pending->framesLate, pending->type)};
    pending.reset();
    return start;
}

bool CueTrigger::startsWithin(const SenderClocks& clocks, const AudioFileConfig& config,
                              const std::array<bool, AudioSlotCount>& hasSound, qint64 withinMs)
{
    for (int source = 0; source < clocks.size(); ++source) {
        const SenderClock& clock = clocks.at(source);
        const qint64 day = TimecodeFrames::framesPerDay(clock.type());
        const qint64 within = TimecodeFrames::frames(withinMs, clock.type());
        for (const std::optional<qint64>& place : {clock.count(), clock.pendingPlace()}) {
            for (int slot = 0; place && slot < AudioSlotCount; ++slot) {
                const std::optional<qint64> start =
                    hasSound[size_t(slot)] ? cueStartCount(config, slot, clock.type()) : std::nullopt;
                if (start && SenderClock::wrapped(*start - *place, day) <= within)
                    return true;
            }
        }
    }
    return false;
}
