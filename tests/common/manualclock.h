#pragma once

#include "artnet/artnet.h"

#include <functional>
#include <vector>

// Time that moves only when a test says so, for the node's clock seam: the sync hold reads it,
// and the repeating timers the node starts fire as advance() passes their due times.
class ManualClock
{
public:
    qint64 nowMs() const { return now; }
    void advance(qint64 ms);
    int timerCount() const { return int(timers.size()); }

    // Installs this clock into a node's environment; the clock must outlive the node.
    void install(NodeEnvironment& environment);

private:
    struct Timer
    {
        int intervalMs;
        qint64 dueMs;
        std::function<void()> tick;
    };
    qint64 now = 0;
    std::vector<Timer> timers;
};
