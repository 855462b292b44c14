#pragma once

#include <QtGlobal>

// What one flood sends: the same settings reach the sender process on its command line.
struct FloodSettings
{
    qint64 datagramsPerSecond = 25'000;
    qint64 durationNs = 5'000'000'000;
    int universes = 512;
    // The sender wakes this often and sends everything that fell due since its last wake.
    qint64 batchIntervalNs = 1'000'000;
};
