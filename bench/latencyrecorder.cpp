#include "latencyrecorder.h"

#include "samplestats.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 Never = std::numeric_limits<qint64>::max();

// A quantile that falls on a never-readable frame has no time.
qint64 latencyAt(const std::vector<qint64>& sorted, int percent)
{
    const qint64 value = nearestRank(sorted, percent);
    return value == Never ? -1 : value;
}

} // namespace

LatencyRecorder::LatencyRecorder(int senders) : sent(size_t(senders)), seen(size_t(senders)) {}

void LatencyRecorder::recordSent(int sender, qint64 frame, qint64 sentNs)
{
    if (sender >= 0 && size_t(sender) < sent.size())
        sent[size_t(sender)].push_back({frame, sentNs});
}

void LatencyRecorder::recordSeen(int sender, qint64 frame, qint64 seenNs)
{
    if (sender >= 0 && size_t(sender) < seen.size())
        seen[size_t(sender)].push_back({frame, seenNs});
}

void LatencyRecorder::absorb(const LatencyRecorder& other)
{
    sent.insert(sent.end(), other.sent.begin(), other.sent.end());
    seen.insert(seen.end(), other.seen.begin(), other.seen.end());
}

LatencyRecorder::Summary LatencyRecorder::summarise() const
{
    Summary summary;
    std::vector<qint64> latencies;
    for (size_t sender = 0; sender < sent.size(); ++sender) {
        std::vector<Event> shown = seen[sender];
        std::sort(shown.begin(), shown.end(),
                  [](const Event& a, const Event& b) { return a.timeNs < b.timeNs; });
        // Newest frame readable by each moment: the first moment a frame is covered is the first
        // entry whose running maximum reaches it.
        std::vector<qint64> newestSoFar(shown.size());
        qint64 newest = std::numeric_limits<qint64>::min();
        for (size_t i = 0; i < shown.size(); ++i)
            newestSoFar[i] = newest = qMax(newest, shown[i].frame);
        std::vector<qint64> ownFrames;
        for (const Event& event : shown)
            ownFrames.push_back(event.frame);
        std::sort(ownFrames.begin(), ownFrames.end());

        for (const Event& frame : sent[sender]) {
            ++summary.sent;
            const auto covered = std::lower_bound(newestSoFar.begin(), newestSoFar.end(), frame.frame);
            if (covered == newestSoFar.end()) {
                ++summary.neverReadable;
                latencies.push_back(Never);
                continue;
            }
            ++summary.readable;
            if (!std::binary_search(ownFrames.begin(), ownFrames.end(), frame.frame))
                ++summary.overwritten;
            latencies.push_back(shown[size_t(covered - newestSoFar.begin())].timeNs - frame.timeNs);
        }
    }
    std::sort(latencies.begin(), latencies.end());
    summary.medianNs = latencyAt(latencies, 50);
    summary.p99Ns = latencyAt(latencies, 99);
    summary.maxNs = latencyAt(latencies, 100);
    return summary;
}
