#pragma once

#include <QtGlobal>

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
    struct Cadence
    {
        qint64 perInterval;
        qint64 intervalNs;
        qint64 offsetNs;
    };
    qint64 dueBy(const Cadence& cadence, qint64 elapsedNs) const;
    Cadence timecodeCadence(int sender) const;

    qint64 duration;
    qint64 dmxRate;
};
