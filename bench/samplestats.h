#pragma once

#include "benchclock.h"

#include <algorithm>
#include <vector>

// The nearest-rank quantile (percent 0 for the least, 50, 99, 100) of sorted samples; -1 for none.
template <typename T>
T nearestRank(const std::vector<T>& sorted, int percent)
{
    if (sorted.empty())
        return T(-1);
    const size_t rank = (sorted.size() * size_t(percent) + 99) / 100;
    return sorted[std::max<size_t>(rank, 1) - 1];
}
// The same of samples in any order.
template <typename T>
T quantile(std::vector<T> samples, int percent)
{
    std::sort(samples.begin(), samples.end());
    return nearestRank(samples, percent);
}

struct SampleSummary
{
    int count = 0;
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
};
inline SampleSummary summarize(std::vector<qint64> nanoseconds)
{
    if (nanoseconds.empty())
        return {};
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto us = [&](int percent) { return double(nearestRank(nanoseconds, percent)) / 1000.0; };
    return {int(nanoseconds.size()), us(50), us(99), us(100)};
}

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
