#pragma once

#include "calltimer.h"
#include "samplestats.h"

#include <vector>

// The wall and on-CPU times of many runs of one call, less what timing an empty call costs.
class SampleSet
{
public:
    explicit SampleSet(CallTime overhead = {}) : overhead(overhead) {}

    void add(const CallTime& time);
    SampleSummary wall() const { return summarize(wallNs); }
    SampleSummary cpu() const { return summarize(cpuNs); }

private:
    CallTime overhead;
    std::vector<qint64> wallNs;
    std::vector<qint64> cpuNs;
};
