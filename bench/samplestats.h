#pragma once

#include "benchclock.h"

#include <vector>

// The nearest-rank quantile (percent 50, 99, 100) of sorted samples; -1 for none.
qint64 nearestRank(const std::vector<qint64>& sorted, int percent);

struct SampleSummary
{
    int count = 0;
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
};
SampleSummary summarize(std::vector<qint64> nanoseconds);

// The wall and on-CPU times of many runs of one call.
struct SampleSet
{
    std::vector<qint64> wallNs;
    std::vector<qint64> cpuNs;

    void add(const CallTime& time)
    {
        wallNs.push_back(time.wallNs);
        cpuNs.push_back(time.cpuNs);
    }
    SampleSummary wall() const { return summarize(wallNs); }
    SampleSummary cpu() const { return summarize(cpuNs); }
};
