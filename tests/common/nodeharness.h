#pragma once

#include "artnet/artnet.h"

#include <QHostAddress>
#include <QNetworkAddressEntry>
#include <QStringList>
#include <QUdpSocket>

#include <memory>

// Builds address entries and interface descriptions, the way the platform would report them.
QNetworkAddressEntry addressEntry(const QString& ip, const QString& netmask = QString(),
                                  const QString& broadcast = QString());
DescribedInterface describedInterface(const QString& hardwareAddress, const QString& ip,
                                      const QString& netmask, const QString& broadcast = QString());

// A port on loopback that nothing else is bound to right now: each node under test gets its
// own, so that unicast datagrams reach it and not another socket sharing the port.
quint16 freeUdpPort();

// The loopback network alone, 127.0.0.1/8, as a machine without any other network reports it.
QList<DescribedInterface> loopbackInterfaces();

// A node on a private port whose interface list is the loopback network (127.0.0.1/8, as a
// machine without any other network reports it) unless told otherwise, and whose diagnostic
// lines are collected instead of printed.
class ManualClock;

class NodeHarness
{
public:
    // With a clock, the node's sync hold and send timer run on it instead of real time.
    explicit NodeHarness(QList<DescribedInterface> interfaces = {}, DatagramSender sender = {},
                         ManualClock* clock = nullptr);
    // The interfaces the machine has at each look, as the program lists them: for tests in a
    // network namespace of their own, which add and take away addresses.
    struct SystemInterfaces
    {
    };
    explicit NodeHarness(SystemInterfaces);

    artnet& node() { return *artnetNode; }
    quint16 port() const { return nodePort; }
    QStringList diagnostics;

private:
    void start(InterfaceLister listInterfaces, DatagramSender sender, ManualClock* clock);

    quint16 nodePort;
    std::unique_ptr<artnet> artnetNode;
};

// A socket on a chosen loopback address that sends to the node and collects what comes back.
class LoopbackPeer
{
public:
    LoopbackPeer(const QString& address, quint16 port = 0);
    bool isBound() const { return socket.state() == QAbstractSocket::BoundState; }
    void sendTo(const QByteArray& datagram, quint16 port, const QString& to = QStringLiteral("127.0.0.1"));
    // Waits up to timeoutMs for the next datagram; an empty array when none came.
    QByteArray receive(int timeoutMs = 2000);

    QUdpSocket socket;
};

QByteArray timecodePacket(quint8 hours, quint8 minutes, quint8 seconds, quint8 frames, quint8 type);
QByteArray artNetHeader(quint16 opCode, int totalSize);
QByteArray madrixHeader(quint16 opCode, int totalSize);
