#pragma once

class BenchEnvironment;

// The timecode label's font search at 1920x1080 in label mode: the search by halving that
// resizeEvent uses, the size-by-size search it replaced, the whole resizeEvent, and a window
// resize with its layout and repaint. Prints a table; returns false when it could not run.
bool runResizeBench(const BenchEnvironment& environment, int calls);
