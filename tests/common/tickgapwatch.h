#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// A timer on the GUI thread, like the main window's display tick, that notes the longest time
// between two of its ticks: how long the window could not draw or fire a cue.
class TickGapWatch : public QObject
{
    Q_OBJECT

public:
    explicit TickGapWatch(int intervalMs);

    // Starts a new measurement: the longest gap from now on.
    void restart();
    double longestGapMs() const;

private:
    void tick();

    QTimer timer;
    QElapsedTimer clock;
    qint64 lastTickNs = 0;
    qint64 longestNs = 0;
};
