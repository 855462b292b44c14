// The send side: whom the node answers and from which address, how many replies it sends,
// and the ArtDmx repetition. Addresses outside loopback only ever reach a recording seam.
#include "manualclock.h"
#include "nodeharness.h"
#include "testregistry.h"

#include <QTest>
#include <QTimer>

class SendSideTest : public QObject
{
    Q_OBJECT

private slots:
    void pollAnsweredFromTheMatchingInterface_data();
    void pollAnsweredFromTheMatchingInterface();
    void manyUniversesNeedSeveralReplies();
    void dmxArguments_data();
    void dmxArguments();
    void dmxRepeatsToItsOwnDestination();
    void dmxWithoutDestinationRepeatsToEveryBroadcast();
    void realSendTimerRepeatsEveryHalfSecond();
    void pollAndTimecodeGoToEveryBroadcast();
    void datagramRefusals();
};

namespace {

struct SentDatagram
{
    QByteArray bytes;
    QString to;
    quint16 port;
};

class Recorder
{
public:
    DatagramSender sender()
    {
        return [this](const QByteArray& datagram, const QHostAddress& to, quint16 port) {
            sent.append({datagram, to.toString(), port});
            return qint64(datagram.size());
        };
    }
    QList<SentDatagram> sent;
};

const QList<DescribedInterface> twoNetworks{
    describedInterface("00:1A:2B:3C:4D:5E", "192.168.1.20", "255.255.255.0", "192.168.1.255"),
    describedInterface("00:aa:bb:cc:dd:ee", "10.0.0.7", "255.0.0.0", "10.255.255.255")};

// Broadcast addresses inside loopback, so that real sockets can listen for them.
const QList<DescribedInterface> twoLoopbackNetworks{
    describedInterface("00:00:00:00:00:01", "127.0.0.3", "255.255.255.0", "127.0.0.20"),
    describedInterface("00:00:00:00:00:02", "127.0.1.3", "255.255.255.0", "127.0.0.21")};

} // namespace

void SendSideTest::pollAnsweredFromTheMatchingInterface_data()
{
    QTest::addColumn<QString>("poller");
    QTest::addColumn<QString>("answeringIp");
    QTest::addColumn<QByteArray>("ipBytes");
    QTest::addColumn<QByteArray>("mac");

    QTest::newRow("poller in the 10/8 network")
        << "10.1.2.3"
        << "10.0.0.7" << QByteArray("\x0A\x00\x00\x07", 4) << QByteArray("\x00\xAA\xBB\xCC\xDD\xEE", 6);
    QTest::newRow("poller in the 192.168.1/24 network")
        << "192.168.1.99"
        << "192.168.1.20" << QByteArray("\xC0\xA8\x01\x14", 4) << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    QTest::newRow("poller outside every network") << "172.16.0.1"
                                                  << "" << QByteArray() << QByteArray();
    // Spoofed: the answer would reach every node of the subnet.
    QTest::newRow("poll from the 192.168.1/24 broadcast address") << "192.168.1.255"
                                                                  << "" << QByteArray() << QByteArray();
    QTest::newRow("poll from the 10/8 broadcast address") << "10.255.255.255"
                                                          << "" << QByteArray() << QByteArray();
    QTest::newRow("poll from the limited broadcast address") << "255.255.255.255"
                                                             << "" << QByteArray() << QByteArray();
    QTest::newRow("poll from a multicast address") << "239.255.0.1"
                                                   << "" << QByteArray() << QByteArray();
}

void SendSideTest::pollAnsweredFromTheMatchingInterface()
{
    QFETCH(QString, poller);
    QFETCH(QString, answeringIp);
    QFETCH(QByteArray, ipBytes);
    QFETCH(QByteArray, mac);

    Recorder recorder;
    NodeHarness harness(twoNetworks, recorder.sender());
    harness.node().versInfoL = 3;
    harness.node().setReplyToPoll(true);
    harness.diagnostics.clear();
    harness.node().dispatchPacket(artNetHeader(0x2000, 14), QHostAddress(poller));

    if (answeringIp.isEmpty()) {
        QVERIFY(recorder.sent.isEmpty());
        QVERIFY(harness.diagnostics.filter("PollReply").isEmpty());
        return;
    }
    QCOMPARE(recorder.sent.size(), 1);
    const SentDatagram& reply = recorder.sent.first();
    QCOMPARE(reply.to, poller);
    QCOMPARE(reply.port, harness.port()); // the node's port, not the poll's source port
    QCOMPARE(reply.bytes.size(), 240);
    QCOMPARE(reply.bytes.mid(10, 4), ipBytes);
    QCOMPARE(reply.bytes.mid(201, 6), mac);
    QCOMPARE(reply.bytes.at(173), '\0');
    QCOMPARE(reply.bytes.mid(190, 4), QByteArray(4, '\0'));
    QCOMPARE(reply.bytes.at(211), '\0');
    QCOMPARE(harness.diagnostics,
             QStringList{QStringLiteral("PollReply to %1 from %2 SubId 0").arg(poller, answeringIp)});
}

void SendSideTest::manyUniversesNeedSeveralReplies()
{
    Recorder recorder;
    NodeHarness harness({}, recorder.sender());
    QVERIFY(harness.node().enableDmxInput());
    QByteArray universes(2560, '\0');
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(universes.data()), 2560, 512);
    harness.node().setReplyToPoll(true);
    harness.node().dispatchPacket(artNetHeader(0x2000, 14), QHostAddress("127.0.0.2"));

    QCOMPARE(recorder.sent.size(), 2);
    QCOMPARE(recorder.sent[0].bytes.at(211), char(0));
    QCOMPARE(recorder.sent[0].bytes.at(173), char(4));
    QCOMPARE(recorder.sent[0].bytes.mid(190, 4), QByteArray("\x00\x01\x02\x03", 4));
    QCOMPARE(recorder.sent[1].bytes.at(211), char(1));
    QCOMPARE(recorder.sent[1].bytes.at(173), char(1));
    QCOMPARE(recorder.sent[1].bytes.mid(190, 4), QByteArray("\x04\x00\x00\x00", 4));
    QCOMPARE(harness.diagnostics.filter("PollReply to").size(), 2);
    harness.node().setUniverseBuffer(nullptr, 0, 0);

    // A buffer registered with zero channels per universe announces nothing and does not crash.
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(universes.data()), 2560, 0);
    recorder.sent.clear();
    harness.node().dispatchPacket(artNetHeader(0x2000, 14), QHostAddress("127.0.0.2"));
    QCOMPARE(recorder.sent.size(), 1);
    QCOMPARE(recorder.sent[0].bytes.at(173), char(1)); // DMX input on: one port
    harness.node().setUniverseBuffer(nullptr, 0, 0);
}

void SendSideTest::dmxArguments_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("universe"); // -1: sendDmx with SubUni 0, Net 0
    QTest::addColumn<qint64>("result");
    QTest::addColumn<QByteArray>("subUniNet");

    QTest::newRow("one channel is too few") << 1 << -1 << qint64(-1) << QByteArray();
    QTest::newRow("513 channels are too many") << 513 << -1 << qint64(-1) << QByteArray();
    QTest::newRow("two channels make 20 bytes") << 2 << -1 << qint64(20) << QByteArray("\x00\x00", 2);
    QTest::newRow("universe 1") << 512 << 1 << qint64(530) << QByteArray("\x00\x00", 2);
    QTest::newRow("universe 257") << 512 << 257 << qint64(530) << QByteArray("\x00\x01", 2);
    QTest::newRow("universe 0") << 512 << 0 << qint64(0) << QByteArray();
}

void SendSideTest::dmxArguments()
{
    QFETCH(int, count);
    QFETCH(int, universe);
    QFETCH(qint64, result);
    QFETCH(QByteArray, subUniNet);

    Recorder recorder;
    NodeHarness harness({}, recorder.sender());
    const QByteArray channels(513, char(0x5A));
    const auto* data = reinterpret_cast<const quint8*>(channels.constData());
    const QHostAddress destination("127.0.0.30");
    const qint64 sent =
        universe < 0 ? harness.node().sendDmx(data, quint16(count), 0, 0, &destination)
                     : harness.node().sendDmxUniverse(data, quint16(count), quint16(universe), &destination);
    QCOMPARE(sent, result);
    if (subUniNet.isEmpty()) {
        QVERIFY(recorder.sent.isEmpty());
        return;
    }
    QCOMPARE(recorder.sent.size(), 1);
    QCOMPARE(recorder.sent[0].bytes.size(), 18 + count);
    QCOMPARE(recorder.sent[0].bytes.mid(14, 2), subUniNet);
    QCOMPARE(quint8(recorder.sent[0].bytes.at(16)) * 256 + quint8(recorder.sent[0].bytes.at(17)), count);
}

void SendSideTest::dmxRepeatsToItsOwnDestination()
{
    ManualClock clock;
    NodeHarness harness(twoLoopbackNetworks, {}, &clock);
    LoopbackPeer target("127.0.0.30", harness.port());
    LoopbackPeer broadcastListener("127.0.0.20", harness.port());
    QVERIFY(target.isBound() && broadcastListener.isBound());

    // Besides the node's look at the interfaces, one timer for the repetition, however often
    // sending is prepared.
    const int timersBefore = clock.timerCount();
    QVERIFY(harness.node().prepareSend());
    QVERIFY(harness.node().prepareSend());
    QCOMPARE(clock.timerCount(), timersBefore + 1);
    clock.advance(artnet::SendIntervalMs);
    QVERIFY(target.receive(50).isEmpty()); // nothing to repeat yet

    const QByteArray channels(16, char(0x3C));
    const QHostAddress destination("127.0.0.30");
    QCOMPARE(
        harness.node().sendDmx(reinterpret_cast<const quint8*>(channels.constData()), 16, 2, 0, &destination),
        qint64(34));
    QCOMPARE(target.receive().size(), 34);
    clock.advance(artnet::SendIntervalMs - 1);
    QVERIFY(target.receive(50).isEmpty());
    // The next tick repeats it, to that address only, and so does every tick after it.
    clock.advance(1);
    const QByteArray repeated = target.receive();
    QCOMPARE(repeated.size(), 34);
    QCOMPARE(repeated.at(14), char(2));
    clock.advance(2 * artnet::SendIntervalMs);
    QCOMPARE(target.receive().size(), 34);
    QCOMPARE(target.receive().size(), 34);
    QVERIFY(broadcastListener.receive(50).isEmpty());
}

void SendSideTest::dmxWithoutDestinationRepeatsToEveryBroadcast()
{
    ManualClock clock;
    NodeHarness harness(twoLoopbackNetworks, {}, &clock);
    LoopbackPeer first("127.0.0.20", harness.port()), second("127.0.0.21", harness.port());
    const QByteArray channels(2, char(0x01));
    // Without a destination the packet itself goes to the first interface's broadcast only.
    QCOMPARE(harness.node().sendDmx(reinterpret_cast<const quint8*>(channels.constData()), 2, 0, 0, nullptr),
             qint64(20));
    QCOMPARE(first.receive().size(), 20);
    QVERIFY(second.receive(50).isEmpty());
    // Each repetition goes to both broadcast addresses.
    clock.advance(artnet::SendIntervalMs);
    QCOMPARE(first.receive().size(), 20);
    QCOMPARE(second.receive().size(), 20);
}

void SendSideTest::realSendTimerRepeatsEveryHalfSecond()
{
    // Without a clock of the test's, the repetition runs on a Qt timer of the node's own.
    // The node's look at the machine's interfaces runs on one from the start.
    NodeHarness harness;
    const QList<QTimer*> before = harness.node().findChildren<QTimer*>();
    QCOMPARE(before.size(), 1);
    QCOMPARE(before[0]->interval(), artnet::InterfaceCheckIntervalMs);
    QVERIFY(harness.node().prepareSend());
    QList<QTimer*> timers = harness.node().findChildren<QTimer*>();
    timers.removeAll(before[0]);
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers[0]->isActive());
    QVERIFY(!timers[0]->isSingleShot());
    QCOMPARE(timers[0]->interval(), artnet::SendIntervalMs);
}

void SendSideTest::pollAndTimecodeGoToEveryBroadcast()
{
    NodeHarness harness(twoLoopbackNetworks);
    LoopbackPeer first("127.0.0.20", harness.port()), second("127.0.0.21", harness.port());
    harness.diagnostics.clear();

    QCOMPARE(harness.node().sendPoll(), qint64(28));
    QCOMPARE(first.receive(), QByteArray("Art-Net\0\x00\x20\x00\x0e\x00\x00", 14));
    QCOMPARE(second.receive().size(), 14);
    QCOMPARE(harness.diagnostics, (QStringList{"Poll to 127.0.0.20 from 127.0.0.3/255.255.255.0",
                                               "Poll to 127.0.0.21 from 127.0.1.3/255.255.255.0"}));

    const ArtTimecode timecode{4, 3, 2, 1, 3};
    QCOMPARE(harness.node().sendTimecode(&timecode, nullptr), qint64(20));
    QCOMPARE(first.receive().mid(14, 5), QByteArray("\x04\x03\x02\x01\x03", 5));
    QCOMPARE(second.receive().size(), 20);
    QCOMPARE(harness.node().sendTimecode(nullptr, nullptr), qint64(-1));
}

void SendSideTest::datagramRefusals()
{
    Recorder recorder;
    NodeHarness harness({}, recorder.sender());
    const QHostAddress destination("127.0.0.30");
    QCOMPARE(harness.node().sendDatagram(nullptr, 10, &destination), qint64(-2));
    QCOMPARE(harness.node().sendDatagram("x", 0, &destination), qint64(-3));
}

VELMORA_REGISTER_TEST(SendSideTest)
#include "tst_sendside.moc"
