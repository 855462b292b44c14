#pragma once

#include <QtGlobal>

#include <chrono>

// One clock for every time stamp of the main window's benchmarks, whichever thread takes it:
// a datagram's send and the cue's play() are compared across threads.
inline qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
