#pragma once

#include <QtGlobal>

#include <vector>

// Pairs the moments timecode frames were sent with the moments the node first showed them.
// A frame that a later one overwrote before anybody looked counts until the later frame was
// readable: that is how long a reader waited for a value at least that new. A frame after
// which nothing newer was ever readable counts as never readable.
class LatencyRecorder
{
public:
    struct Summary
    {
        qint64 sent = 0;
        qint64 readable = 0;      // sent frames that became readable, themselves or overwritten
        qint64 overwritten = 0;   // of those, frames whose own value was never seen
        qint64 neverReadable = 0; // count as endless in the quantiles
        // Nearest-rank quantiles; negative when the quantile falls on a never-readable frame.
        qint64 medianNs = -1;
        qint64 p99Ns = -1;
        qint64 maxNs = -1;
    };

    explicit LatencyRecorder(int senders);

    void recordSent(int sender, qint64 frame, qint64 sentNs);
    // The node's answer for this sender changed to frame at seenNs.
    void recordSeen(int sender, qint64 frame, qint64 seenNs);

    // Takes over another recorder's senders as further senders of this one, so that rounds whose
    // frame numbers start again from 0 stay apart.
    void absorb(const LatencyRecorder& other);

    Summary summarise() const;

private:
    struct Event
    {
        qint64 frame;
        qint64 timeNs;
    };
    std::vector<std::vector<Event>> sent;
    std::vector<std::vector<Event>> seen;
};
