#pragma once

#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

// What one flood sends: the same settings reach the sender process on its command line. The
// sender wakes every batch interval and sends everything that fell due since its last wake.
struct FloodSettings
{
    qint64 datagramsPerSecond = 25'000;
    qint64 durationNs = 5'000'000'000;
    int universes = 512;
    qint64 batchIntervalNs = 1'000'000;
};

// The fixed schedule of one flood: how many datagrams of each kind are due a given time after
// the start. Four timecode senders run at 30 frames/s, each a quarter frame after the one
// before, an ArtPoll goes out every three seconds, and ArtDmx fills the rest of the rate.
// Times up to 100 s and rates up to 1,000,000 datagrams/s stay exact in 64 bits.
class FloodPlan
{
public:
    static constexpr int TimecodeSenders = 4;
    static constexpr qint64 TimecodeFramesPerSecond = 30;
    static constexpr qint64 PollIntervalNs = 3'000'000'000;

    FloodPlan(qint64 datagramsPerSecond, qint64 durationNs);

    qint64 durationNs() const { return duration; }
    // The timecode senders' share comes out of the rate; a poll every three seconds is on top.
    qint64 dmxPerSecond() const { return dmxRate; }

    qint64 dmxDueBy(qint64 elapsedNs) const;
    qint64 timecodeFramesDueBy(int sender, qint64 elapsedNs) const;
    qint64 pollsDueBy(qint64 elapsedNs) const;
    // Everything the flood sends, once its whole duration has passed.
    qint64 totalDatagrams() const;

private:
    // Events at offset + k * intervalNs / perInterval for k = 0, 1, ... while before the end.
    qint64 dueBy(qint64 perInterval, qint64 intervalNs, qint64 offsetNs, qint64 elapsedNs) const;

    qint64 duration;
    qint64 dmxRate;
};

// One timecode datagram as the sender sent it.
struct TimecodeSend
{
    int sender = 0;
    qint64 frame = 0;
    qint64 sentNs = 0;
};

// What the sender process tells the receiving side once the flood is over, as text lines on its
// standard output.
struct FloodReport
{
    qint64 dmxSent = 0;
    qint64 timecodeSent = 0;
    qint64 pollsSent = 0;
    qint64 sendErrors = 0;
    qint64 firstSendNs = 0;
    qint64 lastSendNs = 0;
    // How late the sender woke for a batch at worst: a late wake sends more in the next batch.
    qint64 maxLagNs = 0;
    // Answers to the polls, when the sender could listen on the poller's address.
    bool repliesObserved = false;
    qint64 pollReplies = 0;
    QList<TimecodeSend> timecodeSends;

    qint64 total() const { return dmxSent + timecodeSent + pollsSent; }
    qint64 spanNs() const { return lastSendNs - firstSendNs; }

    QByteArray toText() const;
    static std::optional<FloodReport> fromText(const QByteArray& text);
};

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
        qint64 overwritten = 0;   // readable frames whose own value was never seen
        qint64 neverReadable = 0; // count as endless in the quantiles
        // Nearest-rank quantiles; negative when the quantile falls on a never-readable frame.
        qint64 medianNs = -1;
        qint64 p99Ns = -1;
        qint64 maxNs = -1;
    };

    explicit LatencyRecorder(int senders) : sent(size_t(senders)), seen(size_t(senders)) {}

    void recordSent(int sender, qint64 frame, qint64 sentNs) { record(sent, sender, frame, sentNs); }
    // The node's answer for this sender changed to frame at seenNs.
    void recordSeen(int sender, qint64 frame, qint64 seenNs) { record(seen, sender, frame, seenNs); }
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
    using Events = std::vector<std::vector<Event>>;
    static void record(Events& events, int sender, qint64 frame, qint64 timeNs)
    {
        if (sender >= 0 && size_t(sender) < events.size())
            events[size_t(sender)].push_back({frame, timeNs});
    }
    Events sent;
    Events seen;
};
