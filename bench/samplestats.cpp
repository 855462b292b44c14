#include "samplestats.h"

#include <algorithm>

qint64 nearestRank(const std::vector<qint64>& sorted, int percent)
{
    if (sorted.empty())
        return -1;
    const size_t rank = (sorted.size() * size_t(percent) + 99) / 100;
    return sorted[qMax<size_t>(rank, 1) - 1];
}

SampleSummary summarize(std::vector<qint64> nanoseconds)
{
    if (nanoseconds.empty())
        return {};
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto us = [&](int percent) { return double(nearestRank(nanoseconds, percent)) / 1000.0; };
    return {int(nanoseconds.size()), us(50), us(99), us(100)};
}
