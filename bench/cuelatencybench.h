#pragma once

class BenchEnvironment;

// How long a cue takes to start: from the moment an ArtTimeCode datagram that reaches a cue's
// start time is sent over loopback to the moment the main window calls the cue's play(), with the
// window's own 20 ms display timer running. Prints a table; returns false when no cue started.
bool runCueLatencyBench(const BenchEnvironment& environment, int repetitions);
