#pragma once

#include <QList>
#include <QNetworkAddressEntry>
#include <QString>

#include <functional>

// One usable IPv4 address of this machine, with the hardware address of its interface.
struct InterfaceEntry
{
    QNetworkAddressEntry entry;
    QString hardwareAddress;
};

// What the platform reports of one network interface: the enumeration layer between the
// node and QNetworkInterface, so that tests can describe any machine they like.
struct DescribedInterface
{
    QString hardwareAddress;
    QList<QNetworkAddressEntry> addressEntries;
};

using InterfaceLister = std::function<QList<DescribedInterface>()>;

// The real machine's interfaces, in the platform's order.
QList<DescribedInterface> systemInterfaces();
