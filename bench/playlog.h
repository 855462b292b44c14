#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

// The moments (monotonicNs) at which cue sounds were started. The GUI thread plays the cues; a sender
// thread waits here for the start that its datagram caused.
class PlayLog
{
public:
    void record(qint64 playedNs);
    int count() const;
    // The first start at or after sentNs, waiting up to timeout for it; nothing when none came.
    std::optional<qint64> waitForPlayAtOrAfter(qint64 sentNs, std::chrono::milliseconds timeout);

private:
    std::optional<qint64> firstAtOrAfter(qint64 sentNs) const;

    mutable std::mutex lock;
    std::condition_variable played;
    std::vector<qint64> times;
};
