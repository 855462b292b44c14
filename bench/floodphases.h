#pragma once

#include "floodfigures.h"

#include <QHostAddress>
#include <QString>

// The sending process: ArtDmx from one console address, ArtTimeCode from four others and ArtPoll
// from a fifth, all to 127.0.0.1 on one port, each batch sent at its due time of a fixed schedule
// so that the rate is exact over the run; then its report on standard output. The exit code.
int runSender(const FloodSettings& settings, quint16 port);
// The loopback address the given timecode sender sends from, and the sender of an address (-1:
// none of them).
QString timecodeAddress(int sender);
int timecodeSenderOf(const QHostAddress& address);

// What one receiving side made of one flood.
struct PhaseResult
{
    FloodReport report;
    qint64 received = 0;
    // From the sender's start to the last datagram handled.
    qint64 cpuNs = 0;
    // From a timecode datagram's send to its value being readable (the node) or received (the
    // bare loop).
    LatencyRecorder latency{FloodPlan::TimecodeSenders};
};

// The node on a free port of the wildcard address, told that its only interface is
// 127.0.0.1/8 and answering polls, inside this process's event loop, under one flood.
bool runNodePhase(const FloodSettings& settings, PhaseResult* result, QString* error);
// The same flood into a bare recvmmsg loop.
bool runBarePhase(const FloodSettings& settings, PhaseResult* result, QString* error);
