#include "floodtotals.h"

void FloodTotals::add(const PhaseResult& round)
{
    sent += round.report.total();
    received += round.received;
    cpuNs += round.cpu.totalNs;
    spanNs += round.report.spanNs();
    worstLagNs = qMax(worstLagNs, round.report.maxLagNs);
    sendErrors += round.report.sendErrors;
    if (round.socket)
        kernelDrops += round.socket->drops;
    else
        kernelDropsKnown = false;
    pollsSent += round.report.pollsSent;
    pollReplies += round.report.pollReplies;
    repliesObserved = repliesObserved && round.report.repliesObserved;
    if (round.socket && round.socket->receiveBuffer >= 0)
        receiveBuffer = receiveBuffer < 0 ? round.socket->receiveBuffer
                                          : qMin(receiveBuffer, round.socket->receiveBuffer);
    bufferForced = bufferForced || round.bufferForced;
    probeSamples += round.probeSamples;
    probeCostNs += round.probeCostNs;
    latency.absorb(round.latency);
}

double FloodTotals::cpuPerDatagramUs() const
{
    return received > 0 ? double(cpuNs) / double(received) / 1000.0 : 0.0;
}

double FloodTotals::receivedPerSecond() const
{
    return spanNs > 0 ? double(received) * 1e9 / double(spanNs) : 0.0;
}

double FloodTotals::cpuLoadPercent() const
{
    return spanNs > 0 ? 100.0 * double(cpuNs) / double(spanNs) : 0.0;
}
