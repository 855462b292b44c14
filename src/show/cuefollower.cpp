#include "cuefollower.h"

#include "artnet/timecodeframes.h"
#include "cuestartcount.h"

#include <algorithm>

// Where the cues lie in one sender's frames.
struct CueFollower::Spans
{
    const AudioFileConfig& config;
    const std::array<qint64, AudioSlotCount>& lengthMs;

    // How far into slot's span the count is, in frames; nothing outside it.
    std::optional<qint64> into(int slot, qint64 count, quint8 type) const
    {
        const qint64 length = lengthMs[size_t(slot)];
        if (length < 1)
            return std::nullopt;
        const std::optional<qint64> start = cueStartCount(config, slot, type);
        if (!start)
            return std::nullopt;
        const qint64 offset = SenderClock::wrapped(count - *start, TimecodeFrames::framesPerDay(type));
        if (offset >= TimecodeFrames::frames(length, type))
            return std::nullopt;
        return offset;
    }
    // The slot whose span holds the clock's place: of overlapping spans the one that started
    // last, of equal starts the upper slot; -1 for none.
    int at(const SenderClock& clock) const
    {
        if (!clock.count())
            return -1;
        int found = -1;
        qint64 nearest = 0;
        for (int slot = 0; slot < AudioSlotCount; ++slot) {
            const std::optional<qint64> offset = into(slot, *clock.count(), clock.type());
            if (offset && (found < 0 || *offset < nearest)) {
                found = slot;
                nearest = *offset;
            }
        }
        return found;
    }
    // The place in slot's file that the clock names now: it has run on since its last frame.
    qint64 placeMs(int slot, const SenderClock& clock, qint64 nowMs) const
    {
        const qint64 offset = into(slot, *clock.count(), clock.type()).value_or(0);
        return TimecodeFrames::milliseconds(offset, clock.type()) +
               (nowMs - clock.lastAdvanceMs().value_or(nowMs));
    }
};

namespace {

bool running(const SenderClock& clock, qint64 nowMs)
{
    return clock.count() && clock.lastAdvanceMs() &&
           nowMs - *clock.lastAdvanceMs() <= CueFollower::FreewheelMs;
}

} // namespace

QList<CueFollower::Action> CueFollower::follow(const SenderClocks& clocks, const AudioFileConfig& config,
                                               const std::array<qint64, AudioSlotCount>& lengthMs,
                                               qint64 nowMs)
{
    const Spans spans{config, lengthMs};
    QList<Action> actions;

    // A cue held back is free again once its sender has left its span.
    held.removeIf([&](const Held& h) {
        const SenderClock& clock = clocks.at(h.source);
        return clock.count() && !spans.into(h.slot, *clock.count(), clock.type());
    });

    if (playing) {
        // The driver, or else a sender that runs inside the same span: a backup console takes
        // over where the driver stopped.
        int driver = -1;
        if (running(clocks.at(playing->driver), nowMs)) {
            driver = playing->driver;
        } else {
            for (int source = 0; source < clocks.size(); ++source) {
                const SenderClock& clock = clocks.at(source);
                if (source != playing->driver && running(clock, nowMs) && spans.at(clock) == playing->slot &&
                    (driver < 0 || *clock.lastAdvanceMs() > *clocks.at(driver).lastAdvanceMs()))
                    driver = source;
            }
        }
        if (driver >= 0 && spans.at(clocks.at(driver)) == playing->slot) {
            playing->driver = driver;
            const qint64 place = spans.placeMs(playing->slot, clocks.at(driver), nowMs);
            const qint64 heard = playing->anchorPlaceMs + (nowMs - playing->anchorMs);
            const qint64 tolerance = TimecodeFrames::milliseconds(ToleranceFrames, clocks.at(driver).type());
            if (qAbs(place - heard) > tolerance) {
                actions.append({Action::Kind::Move, playing->slot, place});
                playing->anchorPlaceMs = place;
                playing->anchorMs = nowMs;
            }
            return actions;
        }
        // Out of the span, or no clock runs in it any more.
        actions.append({Action::Kind::Stop, playing->slot, 0});
        playing.reset();
    }

    // The sender whose clock ran last, of those that run inside a span not held back.
    int source = -1;
    int slot = -1;
    for (int candidate = 0; candidate < clocks.size(); ++candidate) {
        const SenderClock& clock = clocks.at(candidate);
        if (!running(clock, nowMs))
            continue;
        const int at = spans.at(clock);
        const bool isHeld =
            std::any_of(held.cbegin(), held.cend(), [&](const Held& h) { return h.slot == at; });
        if (at < 0 || isHeld)
            continue;
        if (source < 0 || *clock.lastAdvanceMs() > *clocks.at(source).lastAdvanceMs()) {
            source = candidate;
            slot = at;
        }
    }
    if (source >= 0) {
        const qint64 place = spans.placeMs(slot, clocks.at(source), nowMs);
        actions.append({Action::Kind::Start, slot, place});
        playing = Playing{slot, source, place, nowMs};
    }
    return actions;
}

std::optional<qint64> CueFollower::freewheelEndsMs(const SenderClocks& clocks) const
{
    if (!playing)
        return std::nullopt;
    const std::optional<qint64> advanced = clocks.at(playing->driver).lastAdvanceMs();
    if (!advanced)
        return std::nullopt;
    return *advanced + FreewheelMs + 1;
}

void CueFollower::stopByHand()
{
    hold();
}

void CueFollower::ended(int slot)
{
    if (playing && playing->slot == slot)
        hold();
}

void CueFollower::reset()
{
    playing.reset();
    held.clear();
}

void CueFollower::hold()
{
    if (!playing)
        return;
    held.append({playing->slot, playing->driver});
    playing.reset();
}
