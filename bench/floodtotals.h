#pragma once

#include "floodphases.h"

// One receiving side's figures summed over the rounds of a run.
struct FloodTotals
{
    qint64 sent = 0;
    qint64 received = 0;
    qint64 cpuNs = 0;
    qint64 spanNs = 0;
    qint64 worstLagNs = 0;
    qint64 sendErrors = 0;
    qint64 kernelDrops = 0;
    bool kernelDropsKnown = true;
    qint64 pollsSent = 0;
    qint64 pollReplies = 0;
    bool repliesObserved = true;
    int receiveBuffer = -1; // the smallest granted in any round
    bool bufferForced = false;
    qint64 probeSamples = 0;
    qint64 probeCostNs = 0;
    LatencyRecorder latency{0};

    void add(const PhaseResult& round);
    qint64 lost() const { return sent - received; }
    double cpuPerDatagramUs() const;
    double receivedPerSecond() const;
    double cpuLoadPercent() const;
};
