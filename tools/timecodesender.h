#pragma once

#include "artnet/arttimecode.h"

#include <QHostAddress>
#include <QUdpSocket>

// A console's timecode output: ArtTimeCode datagrams from one source address (a port of its
// own, never the node's) to one destination. The sender tool, the benchmarks and the scripts all
// send timecode through it.
class TimecodeSender
{
public:
    // from: the source address to bind, for example 127.0.0.11 to look like a console of its
    // own; null: any.
    TimecodeSender(const QHostAddress& from, const QHostAddress& to, quint16 port);

    bool isReady() const { return socket.state() == QAbstractSocket::BoundState; }
    QString errorString() const { return socket.errorString(); }
    bool send(const ArtTimecode& timecode);

private:
    QUdpSocket socket;
    QHostAddress destination;
    quint16 destinationPort;
};
