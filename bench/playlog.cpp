#include "playlog.h"

void PlayLog::record(qint64 playedNs)
{
    {
        const std::lock_guard<std::mutex> guard(lock);
        times.push_back(playedNs);
    }
    played.notify_all();
}

int PlayLog::count() const
{
    const std::lock_guard<std::mutex> guard(lock);
    return int(times.size());
}

std::optional<qint64> PlayLog::waitForPlayAtOrAfter(qint64 sentNs, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(lock);
    std::optional<qint64> found;
    played.wait_for(guard, timeout, [&] { return (found = firstAtOrAfter(sentNs)).has_value(); });
    return found;
}

std::optional<qint64> PlayLog::firstAtOrAfter(qint64 sentNs) const
{
    // Starts are recorded in time order, and a run keeps few of them: the newest are at the back.
    std::optional<qint64> first;
    for (auto it = times.rbegin(); it != times.rend() && *it >= sentNs; ++it)
        first = *it;
    return first;
}
