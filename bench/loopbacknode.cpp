#include "loopbacknode.h"

#include <QNetworkAddressEntry>
#include <QUdpSocket>

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

NodeEnvironment loopbackNodeEnvironment()
{
    NodeEnvironment environment;
    environment.port = freeUdpPort();
    environment.listInterfaces = [] {
        QNetworkAddressEntry entry;
        entry.setIp(QHostAddress(QStringLiteral("127.0.0.1")));
        entry.setNetmask(QHostAddress(QStringLiteral("255.0.0.0")));
        return QList<DescribedInterface>{{QString(), {entry}}};
    };
    environment.writeDiagnostic = [](const QString&) {};
    // Nothing the node sends may leave loopback: a poll reply or anything else goes nowhere.
    environment.sendDatagram = [](const QByteArray& datagram, const QHostAddress&, quint16) {
        return qint64(datagram.size());
    };
    return environment;
}
