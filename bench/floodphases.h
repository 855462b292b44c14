#pragma once

#include "floodsender.h"

#include <QString>

// What one receiving side made of one flood, sent from a thread of this process.
struct FloodRound
{
    FloodTally tally;
    qint64 received = 0;
    // The receiving thread's CPU from the flood's start to the last datagram handled.
    qint64 cpuNs = 0;
    // Each frame's send to its value being readable (the node) or received (the bare loop);
    // sorted, NeverReadable last.
    std::vector<qint64> timecodeLatencies;

    double cpuPerDatagramNs() const { return received > 0 ? double(cpuNs) / double(received) : 0.0; }
};

// The node on a free port of the wildcard address, told that its only interface is
// 127.0.0.1/8 and answering polls, in this thread's event loop.
bool runNodeRound(const FloodSettings& settings, FloodRound* round, QString* error);
// The node's own batch reader on a socket bound and sized as the node's, in a poll() loop that
// dispatches nothing: the ceiling for the node.
bool runBareRound(const FloodSettings& settings, FloodRound* round, QString* error);
