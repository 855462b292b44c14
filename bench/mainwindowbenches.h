#pragma once

// The main window's benchmarks; each prints its table and returns false when it could not run.
bool runResizeBench(int calls);
bool runTickBench(int ticks);
bool runShowLoadBench(int seconds);
bool runCueLatencyBench(int repetitions);
