#pragma once

#include "windowharness.h"

#include <QSize>
#include <QTimer>

#include <memory>
#include <vector>

// The tests' window harness as the benchmarks use it: the cue list and display mode written to
// the store, the moments of the cue starts noted, the window shown and then resized as a user
// would. With its display timer held, the benchmark runs every tick itself.
class BenchWindow
{
public:
    enum class DisplayTimer
    {
        Running,
        Stopped
    };

    BenchWindow(const AudioFileConfig& cues, bool lcd, QSize size, DisplayTimer timer);
    ~BenchWindow();

    MainWindow& window() { return harness->window(); }
    quint16 port() const { return harness->port(); }
    // When play() was called, in monotonicNs, for each cue started so far.
    const std::vector<qint64>& plays() const { return *playTimes; }
    // False when the window has no display timer: the benchmark would measure nothing.
    bool canTick() const { return displayTimer && displayTimer->isActive(); }

    // One run of the display tick (SendTimecodeTimeOut), from its own timer's event.
    void tick();
    // Hands the node one timecode as if it had come from sender.
    void receive(const ArtTimecode& timecode, const QString& sender);
    // Runs what the last changes left for the event loop: layout, repaint, posted events.
    static void settle();

private:
    std::shared_ptr<std::vector<qint64>> playTimes = std::make_shared<std::vector<qint64>>();
    SoundRecorder sounds;
    std::unique_ptr<WindowHarness> harness;
    QTimer* displayTimer = nullptr;
};

// Cues in the first slots, one a minute from 00:01:00 on, as a show's cue list would have them.
AudioFileConfig cuesEveryMinute(int count);
