#pragma once

#include "app/mainwindow.h"
#include "playlog.h"

#include <QMetaMethod>
#include <QSize>

#include <memory>

// A MainWindow as the benchmarks use it: on a loopback node with a port of its own, with timed
// stand-in sounds, shown on the offscreen platform at a given size. With its display timer
// stopped, the benchmark runs every tick itself and nothing else ticks in between.
class BenchWindow
{
public:
    enum class DisplayTimer
    {
        Running,
        Stopped
    };

    // An invalid size leaves the window at the size it opens with.
    BenchWindow(std::shared_ptr<PlayLog> log, QSize size, DisplayTimer timer);
    ~BenchWindow();

    MainWindow& window() { return *mainWindow; }
    quint16 port() const { return nodePort; }
    // False when the window has no tick slot to call: the benchmark would measure nothing.
    bool canTick() const { return tickMethod.isValid(); }

    // One run of the display tick (SendTimecodeTimeOut), called as its timer would call it.
    void tick();
    // Hands the node one datagram as if it had come from sender.
    void receive(const QByteArray& datagram, const QString& sender);
    // Runs what the last changes left for the event loop: layout, repaint, posted events.
    static void settle();

private:
    std::unique_ptr<MainWindow> mainWindow;
    quint16 nodePort = 0;
    QMetaMethod tickMethod;
};
