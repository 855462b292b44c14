#pragma once

#include <QtGlobal>

#include <ctime>

// One clock for every time stamp of the benchmarks, CLOCK_MONOTONIC: a datagram's send and its
// arrival are compared across threads.
inline qint64 nsOf(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
inline qint64 monotonicNs()
{
    return nsOf(CLOCK_MONOTONIC);
}
// This thread's CPU from the scheduler's own clock (getrusage's split comes from tick sampling,
// which misses a thread that runs briefly after each wake).
inline qint64 threadCpuNs()
{
    return nsOf(CLOCK_THREAD_CPUTIME_ID);
}

inline void sleepUntilNs(qint64 wakeNs)
{
    const timespec wake{time_t(wakeNs / 1'000'000'000), long(wakeNs % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) {
    }
}

// Wall time and on-CPU time of one call. The benchmarks share their machine: a call that another
// process preempts takes long on the wall but not on this thread's CPU clock.
struct CallTime
{
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
};

template <typename Call>
CallTime timeCall(Call&& call)
{
    const qint64 cpuStart = threadCpuNs();
    const qint64 wallStart = monotonicNs();
    call();
    const qint64 wallEnd = monotonicNs();
    return {wallEnd - wallStart, threadCpuNs() - cpuStart};
}
