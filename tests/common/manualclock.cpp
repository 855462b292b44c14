#include "manualclock.h"

void ManualClock::advance(qint64 ms)
{
    const qint64 end = now + ms;
    for (;;) {
        // The timer due first fires first, so that ticks keep the order real time gives them.
        Timer* next = nullptr;
        for (Timer& timer : timers)
            if (timer.dueMs <= end && (!next || timer.dueMs < next->dueMs))
                next = &timer;
        if (!next)
            break;
        now = next->dueMs;
        next->dueMs += next->intervalMs;
        next->tick();
    }
    now = end;
}

void ManualClock::install(NodeEnvironment& environment)
{
    environment.clockMs = [this] { return now; };
    environment.startRepeatingTimer = [this](int intervalMs, std::function<void()> tick) {
        timers.push_back({intervalMs, now + intervalMs, std::move(tick)});
    };
}
