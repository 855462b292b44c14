#pragma once

#include <QtGlobal>

#include <ctime>

// Both processes of the flood read CLOCK_MONOTONIC, so a time stamp taken by the sender can be
// compared with one taken next to the node.
inline qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline void sleepUntilNs(qint64 wakeNs)
{
    timespec wake{};
    wake.tv_sec = time_t(wakeNs / 1'000'000'000);
    wake.tv_nsec = long(wakeNs % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) {
    }
}

// CPU spent by this whole process, from the scheduler's own clock. (getrusage's user/system
// split comes from tick sampling, which misses a process that runs briefly after each wake.)
struct CpuTimes
{
    qint64 totalNs = 0;

    static CpuTimes now()
    {
        timespec total{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &total);
        return {qint64(total.tv_sec) * 1'000'000'000 + total.tv_nsec};
    }

    friend CpuTimes operator-(const CpuTimes& a, const CpuTimes& b) { return {a.totalNs - b.totalNs}; }
};
