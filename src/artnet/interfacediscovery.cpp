#include "interfacediscovery.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace {

const QString NoHardwareAddress = QStringLiteral("00:00:00:00:00:00");
constexpr quint32 LocalHostIPv4 = 0x7F000001;
constexpr quint32 BroadcastIPv4 = 0xFFFFFFFF;
constexpr quint32 AnyIPv4 = 0;

InterfaceEntry loopbackEntry(QNetworkAddressEntry entry)
{
    entry.setNetmask(QHostAddress(QStringLiteral("255.0.0.0")));
    entry.setBroadcast(QHostAddress(QStringLiteral("127.255.255.255")));
    return {entry, NoHardwareAddress};
}

} // namespace

QList<DescribedInterface> systemInterfaces()
{
    QList<DescribedInterface> described;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces)
        described.append({networkInterface.hardwareAddress(), networkInterface.addressEntries()});
    return described;
}

QList<InterfaceEntry> discoverUsableInterfaces(const QList<DescribedInterface>& interfaces,
                                               const DiagnosticWriter& writeLine)
{
    QList<InterfaceEntry> usable;
    QNetworkAddressEntry rememberedLoopback;
    rememberedLoopback.setIp(QHostAddress(QStringLiteral("0.0.0.0")));

    for (const DescribedInterface& networkInterface : interfaces) {
        for (const QNetworkAddressEntry& addressEntry : networkInterface.addressEntries) {
            const QHostAddress ip = addressEntry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol) {
                if (ip.protocol() == QAbstractSocket::IPv6Protocol)
                    writeLine(QStringLiteral("found IpV6 - ") + ip.toString() +
                              QStringLiteral(" dont' use it"));
                else
                    writeLine(QStringLiteral("found unknown Ip - ") + ip.toString() +
                              QStringLiteral(" dont' use it"));
                continue;
            }
            if (ip.isNull()) {
                writeLine(QStringLiteral("addr.isNull() found, is invalid, do not use it"));
                continue;
            }
            const quint32 value = ip.toIPv4Address();
            if (value == LocalHostIPv4) {
                rememberedLoopback = addressEntry;
                writeLine(QStringLiteral("found IpV4 - ") + ip.toString() +
                          QStringLiteral(" memory for later"));
                continue;
            }
            if (value == BroadcastIPv4 || value == AnyIPv4) {
                writeLine(QStringLiteral("found IpV4 - ") + ip.toString() + QStringLiteral(" do not use it"));
                continue;
            }
            const QString found = QStringLiteral("found IpV4 - %1  Mask: %2 Broad: %3")
                                      .arg(ip.toString(), addressEntry.netmask().toString(),
                                           addressEntry.broadcast().toString());
            if (addressEntry.netmask().toIPv4Address() == 0) {
                writeLine(found + QStringLiteral("don't add because invalid netmask"));
                continue;
            }
            if (addressEntry.broadcast().toIPv4Address() == 0) {
                writeLine(found + QStringLiteral("don't add because invalid broadcast"));
                continue;
            }
            const QString hardwareAddress = networkInterface.hardwareAddress.isEmpty()
                                                ? NoHardwareAddress
                                                : networkInterface.hardwareAddress;
            writeLine(found + QStringLiteral("add to send/receive list with") + hardwareAddress);
            usable.append({addressEntry, hardwareAddress});
        }
    }

    if (usable.isEmpty()) {
        if (rememberedLoopback.ip().toIPv4Address() == LocalHostIPv4) {
            usable.append(loopbackEntry(rememberedLoopback));
            // The platform's own values are reported, not the ones the fallback entry gets.
            writeLine(QStringLiteral("found IpV4 - ") + rememberedLoopback.ip().toString() +
                      QStringLiteral(" broadcast ") + rememberedLoopback.broadcast().toString() +
                      QStringLiteral(" netmask ") + rememberedLoopback.netmask().toString() +
                      QStringLiteral(" do not use it"));
        } else {
            QNetworkAddressEntry localHost;
            localHost.setIp(QHostAddress(QHostAddress::LocalHost));
            usable.append(loopbackEntry(localHost));
        }
    }
    return usable;
}
