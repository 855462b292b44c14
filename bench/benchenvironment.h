#pragma once

#include <QList>
#include <QString>

// Gives the benchmark a settings store and a runtime folder of its own, in a temporary folder that
// is removed at the end, and Qt's offscreen platform unless another was asked for: the benchmark
// writes the display switch and cue list, and must never touch the user's real settings. Made in
// main before the application object.
class BenchEnvironment
{
public:
    BenchEnvironment();
    ~BenchEnvironment();
    BenchEnvironment(const BenchEnvironment&) = delete;
    BenchEnvironment& operator=(const BenchEnvironment&) = delete;

    bool isReady() const { return !root.isEmpty(); }

    // What the next MainWindow reads at start: the display mode, and one cue per entry of
    // cueSeconds (slot i starts "cue<i>.wav" at 00:00:cueSeconds[i]); every other key is removed.
    void writeWindowSettings(bool useLcd, const QList<int>& cueSeconds) const;

private:
    QString root;
};
