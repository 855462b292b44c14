#include "nodeharness.h"

#include "manualclock.h"

#include <QElapsedTimer>
#include <QTest>

QNetworkAddressEntry addressEntry(const QString& ip, const QString& netmask, const QString& broadcast)
{
    QNetworkAddressEntry entry;
    entry.setIp(QHostAddress(ip));
    if (!netmask.isEmpty())
        entry.setNetmask(QHostAddress(netmask));
    if (!broadcast.isEmpty())
        entry.setBroadcast(QHostAddress(broadcast));
    return entry;
}

DescribedInterface describedInterface(const QString& hardwareAddress, const QString& ip,
                                      const QString& netmask, const QString& broadcast)
{
    return {hardwareAddress, {addressEntry(ip, netmask, broadcast)}};
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

QList<DescribedInterface> loopbackInterfaces()
{
    return {describedInterface(QString(), QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"))};
}

NodeHarness::NodeHarness(QList<DescribedInterface> interfaces, DatagramSender sender, ManualClock* clock)
    : nodePort(freeUdpPort())
{
    if (interfaces.isEmpty())
        interfaces = loopbackInterfaces();
    start([interfaces] { return interfaces; }, std::move(sender), clock);
}

NodeHarness::NodeHarness(SystemInterfaces) : nodePort(freeUdpPort())
{
    start(systemInterfaces, {}, nullptr);
}

void NodeHarness::start(InterfaceLister listInterfaces, DatagramSender sender, ManualClock* clock)
{
    NodeEnvironment environment;
    environment.port = nodePort;
    environment.listInterfaces = std::move(listInterfaces);
    environment.writeDiagnostic = [this](const QString& line) { diagnostics.append(line); };
    environment.sendDatagram = std::move(sender);
    if (clock)
        clock->install(environment);
    artnetNode = std::make_unique<artnet>(environment);
}

LoopbackPeer::LoopbackPeer(const QString& address, quint16 port)
{
    socket.bind(QHostAddress(address), port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void LoopbackPeer::sendTo(const QByteArray& datagram, quint16 port, const QString& to)
{
    socket.writeDatagram(datagram, QHostAddress(to), port);
}

QByteArray LoopbackPeer::receive(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!socket.hasPendingDatagrams() && waited.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (!socket.hasPendingDatagrams())
        return QByteArray();
    QByteArray datagram(socket.pendingDatagramSize(), '\0');
    socket.readDatagram(datagram.data(), datagram.size());
    return datagram;
}

QByteArray artNetHeader(quint16 opCode, int totalSize)
{
    QByteArray packet("Art-Net\0", 8);
    packet.append(char(opCode & 0xFF)).append(char(opCode >> 8)).append(char(0)).append(char(14));
    packet.append(QByteArray(qMax(0, totalSize - 12), '\0'));
    return packet.left(totalSize);
}

QByteArray madrixHeader(quint16 opCode, int totalSize)
{
    QByteArray packet = artNetHeader(opCode, totalSize);
    packet.replace(0, 8, QByteArray("MadrixN\0", 8));
    return packet;
}

QByteArray timecodePacket(quint8 hours, quint8 minutes, quint8 seconds, quint8 frames, quint8 type)
{
    QByteArray packet = artNetHeader(0x9700, 20);
    packet[14] = char(frames);
    packet[15] = char(seconds);
    packet[16] = char(minutes);
    packet[17] = char(hours);
    packet[18] = char(type);
    return packet;
}
