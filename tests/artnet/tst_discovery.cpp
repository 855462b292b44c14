// Interface discovery over described machines: which addresses the node keeps, and the exact
// verdict line it writes for each address it sees.
#include "artnet/interfacediscovery.h"
#include "nodeharness.h"
#include "testregistry.h"

#include <QTest>

class DiscoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void machines_data();
    void machines();
    void twoAddressesOnOneInterface();
    void nodeDiscoversOnceAndReportsAddresses();
    void realMachineGivesAtLeastOneEntry();
};

namespace {

struct Expected
{
    QString ip;
    QString netmask;
    QString broadcast;
    QString hardwareAddress;
};

const DescribedInterface loopbackInterface{QString(), {addressEntry("127.0.0.1", "255.0.0.0")}};

} // namespace

Q_DECLARE_METATYPE(QList<DescribedInterface>)
Q_DECLARE_METATYPE(QList<Expected>)

void DiscoveryTest::machines_data()
{
    QTest::addColumn<QList<DescribedInterface>>("interfaces");
    QTest::addColumn<QList<Expected>>("entries");
    QTest::addColumn<QStringList>("lines");

    const DescribedInterface ethernet{"00:1A:2B:3C:4D:5E",
                                      {addressEntry("192.168.1.20", "255.255.255.0", "192.168.1.255")}};
    QTest::newRow("one Ethernet and loopback")
        << QList<DescribedInterface>{loopbackInterface, ethernet}
        << QList<Expected>{{"192.168.1.20", "255.255.255.0", "192.168.1.255", "00:1A:2B:3C:4D:5E"}}
        << QStringList{"found IpV4 - 127.0.0.1 memory for later",
                       "found IpV4 - 192.168.1.20  Mask: 255.255.255.0 Broad: 192.168.1.255"
                       "add to send/receive list with00:1A:2B:3C:4D:5E"};

    QTest::newRow("loopback only")
        << QList<DescribedInterface>{loopbackInterface}
        << QList<Expected>{{"127.0.0.1", "255.0.0.0", "127.255.255.255", "00:00:00:00:00:00"}}
        << QStringList{"found IpV4 - 127.0.0.1 memory for later",
                       // The platform's own (empty) broadcast is reported, not the fallback's.
                       "found IpV4 - 127.0.0.1 broadcast  netmask 255.0.0.0 do not use it"};

    QTest::newRow("no IPv4 at all")
        << QList<DescribedInterface>{{"00:11:22:33:44:55",
                                      {addressEntry("fe80::1", "ffff:ffff:ffff:ffff::")}}}
        << QList<Expected>{{"127.0.0.1", "255.0.0.0", "127.255.255.255", "00:00:00:00:00:00"}}
        << QStringList{"found IpV6 - fe80::1 dont' use it"};

    QTest::newRow("no interfaces") << QList<DescribedInterface>{}
                                   << QList<Expected>{{"127.0.0.1", "255.0.0.0", "127.255.255.255",
                                                       "00:00:00:00:00:00"}}
                                   << QStringList{};

    QTest::newRow("netmask 0.0.0.0")
        << QList<DescribedInterface>{{"AA:BB:CC:DD:EE:FF",
                                      {addressEntry("10.9.8.7", "0.0.0.0", "10.255.255.255")}}}
        << QList<Expected>{{"127.0.0.1", "255.0.0.0", "127.255.255.255", "00:00:00:00:00:00"}}
        << QStringList{"found IpV4 - 10.9.8.7  Mask: 0.0.0.0 Broad: 10.255.255.255"
                       "don't add because invalid netmask"};

    QTest::newRow("no broadcast")
        << QList<DescribedInterface>{{"AA:BB:CC:DD:EE:FF", {addressEntry("10.9.8.7", "255.0.0.0")}}}
        << QList<Expected>{{"127.0.0.1", "255.0.0.0", "127.255.255.255", "00:00:00:00:00:00"}}
        << QStringList{"found IpV4 - 10.9.8.7  Mask: 255.0.0.0 Broad: don't add because invalid broadcast"};

    QTest::newRow("IPv6 of every scope is never used")
        << QList<DescribedInterface>{{"00:11:22:33:44:55",
                                      {addressEntry("::1"), addressEntry("2001:db8::5"),
                                       addressEntry("10.0.0.7", "255.0.0.0", "10.255.255.255")}}}
        << QList<Expected>{{"10.0.0.7", "255.0.0.0", "10.255.255.255", "00:11:22:33:44:55"}}
        << QStringList{"found IpV6 - ::1 dont' use it", "found IpV6 - 2001:db8::5 dont' use it",
                       "found IpV4 - 10.0.0.7  Mask: 255.0.0.0 Broad: 10.255.255.255"
                       "add to send/receive list with00:11:22:33:44:55"};

    QTest::newRow("special addresses")
        << QList<DescribedInterface>{{"",
                                      {addressEntry("0.0.0.0", "255.0.0.0", "0.255.255.255"),
                                       addressEntry("255.255.255.255", "255.255.255.255", "255.255.255.255"),
                                       addressEntry("127.0.0.2", "255.0.0.0", "127.255.255.255")}}}
        << QList<Expected>{{"127.0.0.2", "255.0.0.0", "127.255.255.255", "00:00:00:00:00:00"}}
        << QStringList{"found IpV4 - 0.0.0.0 do not use it", "found IpV4 - 255.255.255.255 do not use it",
                       "found IpV4 - 127.0.0.2  Mask: 255.0.0.0 Broad: 127.255.255.255"
                       "add to send/receive list with00:00:00:00:00:00"};
}

void DiscoveryTest::machines()
{
    QFETCH(QList<DescribedInterface>, interfaces);
    QFETCH(QList<Expected>, entries);
    QFETCH(QStringList, lines);

    QStringList written;
    const QList<InterfaceEntry> found =
        discoverUsableInterfaces(interfaces, [&written](const QString& line) { written.append(line); });

    QCOMPARE(written, lines);
    QCOMPARE(found.size(), entries.size());
    for (int i = 0; i < found.size(); ++i) {
        QCOMPARE(found[i].entry.ip().toString(), entries[i].ip);
        QCOMPARE(found[i].entry.netmask().toString(), entries[i].netmask);
        QCOMPARE(found[i].entry.broadcast().toString(), entries[i].broadcast);
        QCOMPARE(found[i].hardwareAddress, entries[i].hardwareAddress);
    }
}

void DiscoveryTest::twoAddressesOnOneInterface()
{
    const DescribedInterface twoAddresses{"00:1A:2B:3C:4D:5E",
                                          {addressEntry("192.168.1.20", "255.255.255.0", "192.168.1.255"),
                                           addressEntry("10.0.0.7", "255.0.0.0", "10.255.255.255")}};
    const QList<InterfaceEntry> found = discoverUsableInterfaces({twoAddresses}, [](const QString&) {});
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].entry.ip().toString(), QStringLiteral("192.168.1.20"));
    QCOMPARE(found[1].entry.ip().toString(), QStringLiteral("10.0.0.7"));
    QCOMPARE(found[0].hardwareAddress, found[1].hardwareAddress);
}

void DiscoveryTest::nodeDiscoversOnceAndReportsAddresses()
{
    NodeHarness harness(
        {describedInterface("00:1A:2B:3C:4D:5E", "192.168.1.20", "255.255.255.0", "192.168.1.255")});
    const int linesAtConstruction = harness.diagnostics.size();
    QCOMPARE(linesAtConstruction, 1);
    QVERIFY(harness.node().discoverInterfaces());
    QCOMPARE(harness.diagnostics.size(), linesAtConstruction);
    QCOMPARE(harness.node().interfaceAddress(0), QStringLiteral("192.168.1.20"));
    QVERIFY(harness.node().interfaceAddress(1).isNull());
    QVERIFY(harness.node().interfaceAddress(-1).isNull());
}

void DiscoveryTest::realMachineGivesAtLeastOneEntry()
{
    // Only reads the interfaces; nothing is sent anywhere.
    const QList<InterfaceEntry> found = discoverUsableInterfaces(systemInterfaces(), [](const QString&) {});
    QVERIFY(!found.isEmpty());
    for (const InterfaceEntry& entry : found)
        QCOMPARE(entry.entry.ip().protocol(), QAbstractSocket::IPv4Protocol);
}

VELMORA_REGISTER_TEST(DiscoveryTest)
#include "tst_discovery.moc"
