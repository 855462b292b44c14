#pragma once

#include <QtGlobal>

#include <vector>

// What a benchmark reports of many timed runs, in microseconds.
struct SampleSummary
{
    int count = 0;
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
};

// Median, 99th percentile (nearest rank) and maximum of durations in nanoseconds.
SampleSummary summarize(std::vector<qint64> nanoseconds);
