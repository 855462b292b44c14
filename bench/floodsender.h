#pragma once

#include <QHostAddress>

#include <vector>

// What one flood sends: four timecode senders at 30 frames/s, each a quarter frame after the one
// before, an ArtPoll every three seconds, and ArtDmx over many universes for the rest of the
// rate, all from loopback addresses to 127.0.0.1. The sender wakes every millisecond and sends
// what fell due since its last wake, so that the rate is exact over the run.
struct FloodSettings
{
    static constexpr int TimecodeSenders = 4;
    static constexpr qint64 TimecodeFramesPerSecond = 30;
    qint64 datagramsPerSecond = 25'000;
    qint64 durationNs = 5'000'000'000;
    int universes = 512;
};

// One moment in a timecode sender's life: a frame it sent, or a frame a receiver could read.
struct TimecodeEvent
{
    int sender = 0;
    qint64 frame = 0;
    qint64 ns = 0;
};

// What the sender did.
struct FloodTally
{
    qint64 sent = 0, sendErrors = 0, polls = 0, pollReplies = 0;
    qint64 firstSendNs = 0, lastSendNs = 0;
    // How late it woke for a batch at worst: a late wake sends more in the next batch.
    qint64 maxLagNs = 0;
    std::vector<TimecodeEvent> timecodeSent;
    QString error;
};

// Sends one flood to 127.0.0.1:port from this thread, then counts the node's answers to its
// polls, which it listens for on the poller's address and the node's port.
FloodTally sendFlood(const FloodSettings& settings, quint16 port);

// Timecode sender n sends from 127.0.0.(11 + n); -1 for an address that is none of them.
int timecodeSenderOf(const QHostAddress& address);
