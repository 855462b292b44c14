#pragma once

#include <QByteArray>

#include <optional>

// What the kernel reports about one IPv4 UDP socket: datagrams it dropped because the receive
// queue was full, what is still queued, and the receive buffer it really granted.
struct UdpSocketStats
{
    quint64 inode = 0;
    qint64 drops = 0;
    qint64 queuedBytes = 0;
    int receiveBuffer = -1; // -1 when the socket is not one of this process's descriptors
};

// One line of /proc/net/udp, when it describes a socket bound to the wildcard address on port.
std::optional<UdpSocketStats> parseProcNetUdpLine(const QByteArray& line, quint16 port);

// The wildcard-bound socket on port, with its receive buffer read through this process's
// descriptor for it.
std::optional<UdpSocketStats> wildcardUdpSocketStats(quint16 port);
