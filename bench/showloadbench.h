#pragma once

class BenchEnvironment;

// The processor share that the display takes during a show, at window sizes that the running
// program cannot be given on the offscreen platform: ticks at 50 Hz, senders at 30 frames a second
// (so three ticks in five show new texts), each tick with its layout and repaint. A lower bound of
// what the program spends, since this loop never sleeps and keeps its caches warm. Prints a table;
// returns false when it could not run.
bool runShowLoadBench(const BenchEnvironment& environment, int seconds);
