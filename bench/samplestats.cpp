#include "samplestats.h"

#include <algorithm>
#include <cmath>

SampleSummary summarize(std::vector<qint64> nanoseconds)
{
    SampleSummary summary;
    if (nanoseconds.empty())
        return summary;
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double fraction) {
        const size_t rank = size_t(std::ceil(fraction * double(nanoseconds.size())));
        return double(nanoseconds[std::clamp<size_t>(rank, 1, nanoseconds.size()) - 1]) / 1000.0;
    };
    summary.count = int(nanoseconds.size());
    summary.medianUs = at(0.5);
    summary.p99Us = at(0.99);
    summary.maxUs = double(nanoseconds.back()) / 1000.0;
    return summary;
}
