#include "tickgapwatch.h"

TickGapWatch::TickGapWatch(int intervalMs)
{
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &TickGapWatch::tick);
    timer.start(intervalMs);
    clock.start();
}

void TickGapWatch::restart()
{
    lastTickNs = clock.nsecsElapsed();
    longestNs = 0;
}

double TickGapWatch::longestGapMs() const
{
    // A gap still open counts too.
    return qMax(longestNs, clock.nsecsElapsed() - lastTickNs) / 1e6;
}

void TickGapWatch::tick()
{
    const qint64 now = clock.nsecsElapsed();
    longestNs = qMax(longestNs, now - lastTickNs);
    lastTickNs = now;
}
