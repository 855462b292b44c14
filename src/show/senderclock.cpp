#include "senderclock.h"

#include "artnet/timecodeframes.h"

qint64 SenderClock::wrapped(qint64 frames, qint64 day)
{
    const qint64 rest = frames % day;
    return rest < 0 ? rest + day : rest;
}

std::optional<SenderClock::Step> SenderClock::see(const ArtTimecode& timecode, qint64 nowMs)
{
    const std::optional<qint64> count = TimecodeFrames::count(timecode);
    if (!count || timecode.type != rate) {
        // Out of a clock's range, or counted in other frames: nothing to compare with.
        confirmed.reset();
        held.reset();
        advancedAtMs.reset();
        rate = timecode.type;
        if (!count)
            return std::nullopt;
    }
    const qint64 day = TimecodeFrames::framesPerDay(rate);
    if (confirmed) {
        const qint64 step = wrapped(*count - *confirmed, day);
        if (step <= CatchUpFrames) {
            const Step run{Move::Run, confirmed, *count, *count, rate};
            held.reset();
            confirmed = *count;
            if (step > 0)
                advancedAtMs = nowMs;
            return run;
        }
    }
    if (held) {
        const qint64 step = wrapped(*count - *held, day);
        if (step <= ConfirmFrames) {
            const Step jump{Move::Jump, confirmed, *held, *count, rate};
            held.reset();
            confirmed = *count;
            // A locate is no run: only a clock that goes on from where it landed is running.
            if (step > 0)
                advancedAtMs = nowMs;
            else
                advancedAtMs.reset();
            return jump;
        }
    }
    held = *count;
    return std::nullopt;
}

std::optional<SenderClock::Step> SenderClocks::see(int source, const ArtTimecode& timecode, qint64 nowMs)
{
    if (source < 0)
        return std::nullopt;
    if (source >= clocks.size())
        clocks.resize(source + 1);
    return clocks[source].see(timecode, nowMs);
}

void SenderClocks::forget(int source)
{
    if (source >= 0 && source < clocks.size())
        clocks[source] = SenderClock();
}

const SenderClock& SenderClocks::at(int source) const
{
    static const SenderClock never;
    return source >= 0 && source < clocks.size() ? clocks[source] : never;
}
