#include "sampleset.h"

#include <algorithm>

void SampleSet::add(const CallTime& time)
{
    wallNs.push_back(std::max<qint64>(0, time.wallNs - overhead.wallNs));
    cpuNs.push_back(std::max<qint64>(0, time.cpuNs - overhead.cpuNs));
}
