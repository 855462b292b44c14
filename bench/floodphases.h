#pragma once

#include "benchclock.h"
#include "floodplan.h"
#include "floodreport.h"
#include "floodsettings.h"
#include "latencyrecorder.h"
#include "udpsocketstats.h"

#include <QString>

#include <optional>

// What the node asks of the kernel for its socket's receive buffer (the kernel grants double).
constexpr int NodeReceiveBufferBytes = 4 * 1024 * 1024;

// What one receiving side made of one flood.
struct PhaseResult
{
    FloodReport report;
    qint64 received = 0;
    // From the sender's start to the last datagram handled.
    CpuTimes cpu;
    std::optional<UdpSocketStats> socket;
    bool bufferForced = false;
    // From a timecode datagram's send to its value being readable (the node) or received (the
    // bare loop).
    LatencyRecorder latency{FloodPlan::TimecodeSenders};
    // The node's side only: what watching its timecode query cost.
    qint64 probeSamples = 0;
    qint64 probeCostNs = 0;
};

// The node on a free port of the wildcard address, told that its only interface is
// 127.0.0.1/8 and answering polls, inside this process's event loop, under one flood.
bool runNodePhase(const FloodSettings& settings, PhaseResult* result, QString* error);
// The same flood into a bare recvmmsg loop.
bool runBarePhase(const FloodSettings& settings, PhaseResult* result, QString* error);
