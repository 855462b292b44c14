#pragma once

#include "steadyclock.h"

#include <ctime>

// Wall time and on-CPU time of one call. The benchmarks share their machine: a call that another
// process preempts takes long on the wall but not on this thread's CPU clock, so a long wall time
// with a short CPU time is somebody else's work, not the call's.
struct CallTime
{
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
};

inline qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

template <typename Call>
CallTime timeCall(Call&& call)
{
    const qint64 cpuStart = threadCpuNs();
    const qint64 wallStart = steadyNs();
    call();
    const qint64 wallEnd = steadyNs();
    return {wallEnd - wallStart, threadCpuNs() - cpuStart};
}
