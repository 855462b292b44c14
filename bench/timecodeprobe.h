#pragma once

#include "latencyrecorder.h"

#include "artnet/artnet.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <vector>

// Asks the node's timecode query, as the display does, but after every pass of the event loop
// instead of every 20 ms, and notes when each sender's value changed. A datagram is dispatched
// within a pass, so the moment its value is readable is known to within that pass.
class TimecodeProbe : public QObject
{
    Q_OBJECT

public:
    // senders: the addresses of the timecode senders, in the recorder's sender order.
    TimecodeProbe(artnet& node, QList<QHostAddress> senders, LatencyRecorder& recorder);

    void sample();
    qint64 samples() const { return sampleCount; }

private:
    artnet& node;
    QList<QHostAddress> senders;
    LatencyRecorder& recorder;
    std::vector<int> senderOfSource; // -1: an address that is not one of the senders
    std::vector<ArtTimecode> lastSeen;
    qint64 sampleCount = 0;
};
