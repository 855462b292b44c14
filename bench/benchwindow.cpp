#include "benchwindow.h"

#include "artnet/artnetpacket.h"
#include "benchclock.h"

#include <QCoreApplication>
#include <QTimerEvent>

BenchWindow::BenchWindow(const AudioFileConfig& cues, bool lcd, QSize size, DisplayTimer timer)
{
    sounds.setPlayObserver([playTimes = playTimes] { playTimes->push_back(monotonicNs()); });
    harness = std::make_unique<WindowHarness>(cues, lcd, sounds.factory());
    // Held, the display timer stays active, so that an event with its id runs the tick exactly as
    // its expiry does, but it never expires itself.
    displayTimer = window().findChild<QTimer*>(QStringLiteral("displayTimer"), Qt::FindDirectChildrenOnly);
    if (displayTimer && timer == DisplayTimer::Stopped)
        displayTimer->setInterval(std::chrono::hours(24));
    // Resized once shown and laid out: a resize before reaches resizeEvent while the layout has
    // not placed the timecode label yet, and its font would stay at the base size.
    settle();
    window().resize(size);
    settle();
}

BenchWindow::~BenchWindow()
{
    harness.reset();
    settle();
}

void BenchWindow::tick()
{
    QTimerEvent expiry(displayTimer->timerId());
    QCoreApplication::sendEvent(displayTimer, &expiry);
}

void BenchWindow::receive(const ArtTimecode& timecode, const QString& sender)
{
    window().node()->dispatchPacket(ArtNetPacket::buildTimecode(timecode), QHostAddress(sender));
}

void BenchWindow::settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

AudioFileConfig cuesEveryMinute(int count)
{
    QList<CueEntry> entries;
    for (int slot = 0; slot < count; ++slot)
        entries.append({slot, QStringLiteral("/nonexistent/cue%1.wav").arg(slot), 0, quint16(slot + 1), 0});
    return cueList(entries);
}
