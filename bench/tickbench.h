#pragma once

class BenchEnvironment;

// The display tick (SendTimecodeTimeOut) with 1, 4 and 32 running senders, in label and in LCD
// mode: its own time per call, and what the event loop then spends on layout and repaint.
// Prints a table; returns false when the benchmark could not run at all.
bool runTickBench(const BenchEnvironment& environment, int ticks);
