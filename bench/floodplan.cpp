#include "floodplan.h"

namespace {

constexpr qint64 NsPerSecond = 1'000'000'000;

} // namespace

FloodPlan::FloodPlan(qint64 datagramsPerSecond, qint64 durationNs)
    : duration(qMax<qint64>(durationNs, 0)),
      dmxRate(qMax<qint64>(datagramsPerSecond - TimecodeSenders * TimecodeFramesPerSecond, 0))
{}

qint64 FloodPlan::dueBy(const Cadence& cadence, qint64 elapsedNs) const
{
    if (cadence.perInterval <= 0 || elapsedNs < cadence.offsetNs || duration <= cadence.offsetNs)
        return 0;
    const qint64 started = (elapsedNs - cadence.offsetNs) * cadence.perInterval / cadence.intervalNs + 1;
    // Events strictly before the end: ceil((duration - offset) * perInterval / interval).
    const qint64 span = (duration - cadence.offsetNs) * cadence.perInterval;
    const qint64 all = (span + cadence.intervalNs - 1) / cadence.intervalNs;
    return qMin(started, all);
}

FloodPlan::Cadence FloodPlan::timecodeCadence(int sender) const
{
    return {TimecodeFramesPerSecond, NsPerSecond,
            NsPerSecond * sender / (TimecodeFramesPerSecond * TimecodeSenders)};
}

qint64 FloodPlan::dmxDueBy(qint64 elapsedNs) const
{
    return dueBy({dmxRate, NsPerSecond, 0}, elapsedNs);
}

qint64 FloodPlan::timecodeFramesDueBy(int sender, qint64 elapsedNs) const
{
    if (sender < 0 || sender >= TimecodeSenders)
        return 0;
    return dueBy(timecodeCadence(sender), elapsedNs);
}

qint64 FloodPlan::pollsDueBy(qint64 elapsedNs) const
{
    return dueBy({1, PollIntervalNs, 0}, elapsedNs);
}

qint64 FloodPlan::totalDatagrams() const
{
    qint64 total = dmxDueBy(duration) + pollsDueBy(duration);
    for (int sender = 0; sender < TimecodeSenders; ++sender)
        total += timecodeFramesDueBy(sender, duration);
    return total;
}
