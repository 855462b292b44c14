// The node on a real socket on loopback: reception, the table of timecode senders, the
// dispatch's diagnostics, the sync packets and the DMX input side.
#include "manualclock.h"
#include "nodeharness.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

class NodeTest : public QObject
{
    Q_OBJECT

private slots:
    void timecodeTableKeepsSendersInOrder();
    void timecodeQueryRefusals();
    void timecodeTableIsCapped();
    void fullTableMakesRoomFromTheQuietestSender_data();
    void fullTableMakesRoomFromTheQuietestSender();
    void pollAnsweredOnlyWhileSwitchedOn();
    void replyRequestedWhilePortTakenTakesEffectLater();
    void threeDatagramsInOneRead();
    void everyTimecodeIsSignalledAsItIsStored();
    void floodIsReadInBoundedBatchesAndNothingIsLeftBehind();
    void datagramsWaitForTheReaderUnlessReadOnArrival();
    void unhandledOpCodesAreReported();
    void otherPacketsOfNote();
    void syncNoticesOnceButAppliedEveryTime();
    void syncHoldsDataForThreeSecondsAfterTheLastSync_data();
    void syncHoldsDataForThreeSecondsAfterTheLastSync();
    void dmxIgnoredWithoutInputBuffer();
    void dmxInputOfOneUniverse();
    void universeBufferHoldsDataUntilSync();
    void pixelBufferTakesTriplets();
};

namespace {

ArtTimecode timecodeAt(artnet& node, int index, QHostAddress* sender = nullptr)
{
    ArtTimecode timecode;
    if (!node.getTimecodeSource(&timecode, sender, index))
        qFatal("no timecode source %d", index);
    return timecode;
}

QByteArray dmxPacket(quint16 universe, const QByteArray& channels)
{
    QByteArray packet = artNetHeader(0x5000, 18);
    packet[14] = char(universe & 0xFF);
    packet[15] = char(universe >> 8);
    packet[16] = char(channels.size() >> 8);
    packet[17] = char(channels.size() & 0xFF);
    return packet + channels;
}

QByteArray syncPacket(quint16 opCode, quint8 flag)
{
    QByteArray packet = artNetHeader(opCode, 13);
    packet[12] = char(flag);
    return packet;
}

} // namespace

void NodeTest::timecodeTableKeepsSendersInOrder()
{
    NodeHarness harness;
    QVERIFY(harness.node().openSocket());
    LoopbackPeer first("127.0.0.5"), second("127.0.0.6");

    first.sendTo(timecodePacket(1, 2, 3, 4, 0), harness.port());
    QTRY_COMPARE(harness.node().timecodeSourceCount(), 1);
    first.sendTo(timecodePacket(10, 0, 0, 0, 1), harness.port());
    QTRY_COMPARE(timecodeAt(harness.node(), 0).hours, quint8(10));
    second.sendTo(timecodePacket(5, 6, 7, 8, 3), harness.port());
    QTRY_COMPARE(harness.node().timecodeSourceCount(), 2);

    QHostAddress sender;
    const ArtTimecode firstTimecode = timecodeAt(harness.node(), 0, &sender);
    QCOMPARE(sender.toString(), QStringLiteral("127.0.0.5"));
    QCOMPARE(firstTimecode, (ArtTimecode{0, 0, 0, 10, 1}));
    QCOMPARE(timecodeAt(harness.node(), 1, &sender), (ArtTimecode{8, 7, 6, 5, 3}));
    QCOMPARE(sender.toString(), QStringLiteral("127.0.0.6"));
    ArtTimecode unused;
    QVERIFY(!harness.node().getTimecodeSource(&unused, nullptr, 2));
}

void NodeTest::timecodeQueryRefusals()
{
    NodeHarness harness;
    ArtTimecode timecode{1, 1, 1, 1, 1};
    QVERIFY(!harness.node().getTimecodeSource(&timecode, nullptr, 0));
    QCOMPARE(timecode, (ArtTimecode{1, 1, 1, 1, 1}));

    harness.node().dispatchPacket(timecodePacket(1, 2, 3, 4, 1), QHostAddress("127.0.0.9"));
    QVERIFY(harness.node().getTimecodeSource(&timecode, nullptr, 0));
    QVERIFY(!harness.node().getTimecodeSource(nullptr, nullptr, 0));
    QVERIFY(!harness.node().getTimecodeSource(&timecode, nullptr, -1));
}

void NodeTest::timecodeTableIsCapped()
{
    NodeHarness harness;
    for (int i = 0; i < 40; ++i)
        harness.node().dispatchPacket(timecodePacket(0, 0, 0, quint8(i), 0),
                                      QHostAddress(quint32(0x7F000100 + quint32(i))));
    QCOMPARE(harness.node().timecodeSourceCount(), artnet::MaxTimecodeSources);
    QCOMPARE(harness.diagnostics.filter("ignoring new sender").size(), 1);

    // A known sender keeps updating after the table is full.
    harness.node().dispatchPacket(timecodePacket(9, 9, 9, 9, 2), QHostAddress("127.0.1.31"));
    QCOMPARE(timecodeAt(harness.node(), 31), (ArtTimecode{9, 9, 9, 9, 2}));
    ArtTimecode timecode;
    QVERIFY(!harness.node().getTimecodeSource(&timecode, nullptr, 32));
}

void NodeTest::fullTableMakesRoomFromTheQuietestSender_data()
{
    QTest::addColumn<int>("quiet");     // the sender heard last at the start, or -1
    QTest::addColumn<int>("alsoQuiet"); // one heard last a second later, or -1
    QTest::addColumn<qint64>("quietForMs");
    QTest::addColumn<int>("place"); // where the new sender goes, -1 if it is ignored

    const qint64 limit = artnet::ReplaceQuietSenderAfterMs;
    QTest::newRow("every sender still heard") << -1 << -1 << limit * 10 << -1;
    QTest::newRow("quiet exactly the limit") << 7 << -1 << limit - 1000 << -1;
    QTest::newRow("quiet past the limit") << 7 << -1 << limit - 999 << 7;
    QTest::newRow("the quieter of two") << 20 << 3 << limit + 1 << 20;
}

void NodeTest::fullTableMakesRoomFromTheQuietestSender()
{
    QFETCH(int, quiet);
    QFETCH(int, alsoQuiet);
    QFETCH(qint64, quietForMs);
    QFETCH(int, place);

    ManualClock clock;
    NodeHarness harness({}, {}, &clock);
    artnet& node = harness.node();
    const auto senderAt = [](int index) { return QHostAddress(quint32(0x0A000001 + quint32(index))); };
    const auto allSendBut = [&](int first, int second) {
        for (int i = 0; i < artnet::MaxTimecodeSources; ++i)
            if (i != first && i != second)
                node.dispatchPacket(timecodePacket(1, 0, 0, 0, 1), senderAt(i));
    };
    allSendBut(-1, -1);
    clock.advance(1000);
    allSendBut(quiet, -1);
    clock.advance(quietForMs);
    allSendBut(quiet, alsoQuiet);

    QStringList events;
    connect(&node, &artnet::senderReplaced, this,
            [&](int index) { events << QString("replaced %1").arg(index); });
    connect(&node, &artnet::timecodeReceived, this,
            [&](int index, const ArtTimecode&) { events << QString("timecode %1").arg(index); });
    const QHostAddress newcomer("10.0.1.1");
    node.dispatchPacket(timecodePacket(2, 0, 0, 0, 1), newcomer);

    QCOMPARE(node.timecodeSourceCount(), artnet::MaxTimecodeSources);
    if (place < 0) {
        QVERIFY(events.isEmpty());
        for (int i = 0; i < artnet::MaxTimecodeSources; ++i) {
            QHostAddress sender;
            timecodeAt(node, i, &sender);
            QCOMPARE(sender, senderAt(i));
        }
        return;
    }
    // Users of the table forget what they knew of that place before the newcomer's timecode.
    QCOMPARE(events, (QStringList{QString("replaced %1").arg(place), QString("timecode %1").arg(place)}));
    QHostAddress sender;
    QCOMPARE(timecodeAt(node, place, &sender).hours, quint8(2));
    QCOMPARE(sender, newcomer);
    QCOMPARE(harness.diagnostics.filter("takes the place of " + senderAt(place).toString()).size(), 1);
}

void NodeTest::pollAnsweredOnlyWhileSwitchedOn()
{
    NodeHarness harness;
    QVERIFY(harness.node().openSocket());
    LoopbackPeer poller("127.0.0.2", harness.port());
    QVERIFY(poller.isBound());

    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    QVERIFY(poller.receive(300).isEmpty());
    QVERIFY(!harness.node().isSendReady());

    harness.node().setReplyToPoll(true);
    QVERIFY(harness.node().replyToPoll());
    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    const QByteArray reply = poller.receive();
    QCOMPARE(reply.size(), 240);
    QCOMPARE(reply.mid(8, 2), QByteArray("\x00\x21", 2));
    QCOMPARE(reply.mid(10, 4), QByteArray("\x7F\x00\x00\x01", 4));
    QCOMPARE(harness.diagnostics.last(), QStringLiteral("PollReply to 127.0.0.2 from 127.0.0.1 SubId 0"));
    // The first poll handled sets up the send side with its timer.
    QVERIFY(harness.node().isSendReady());

    harness.node().setReplyToPoll(false);
    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    QVERIFY(poller.receive(300).isEmpty());
}

void NodeTest::replyRequestedWhilePortTakenTakesEffectLater()
{
    NodeHarness harness;
    auto blocker = std::make_unique<QUdpSocket>();
    QVERIFY(blocker->bind(QHostAddress::AnyIPv4, harness.port(), QUdpSocket::DontShareAddress));

    harness.node().setReplyToPoll(true);
    QVERIFY(!harness.node().replyToPoll());
    QVERIFY(!harness.node().isSocketReady());
    ArtTimecode timecode;
    QVERIFY(!harness.node().getTimecodeSource(&timecode, nullptr, 0));

    blocker.reset();
    // The display's next query opens the socket; the earlier request to answer polls holds.
    QVERIFY(!harness.node().getTimecodeSource(&timecode, nullptr, 0));
    QVERIFY(harness.node().isSocketReady());
    QVERIFY(harness.node().replyToPoll());
    LoopbackPeer poller("127.0.0.2", harness.port());
    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    QCOMPARE(poller.receive().size(), 240);
}

void NodeTest::threeDatagramsInOneRead()
{
    NodeHarness harness;
    QVERIFY(harness.node().openSocket());
    LoopbackPeer a("127.0.0.5"), b("127.0.0.6"), c("127.0.0.7");
    a.sendTo(timecodePacket(1, 0, 0, 0, 0), harness.port());
    b.sendTo(timecodePacket(2, 0, 0, 0, 0), harness.port());
    c.sendTo(timecodePacket(3, 0, 0, 0, 0), harness.port());
    QTest::qSleep(50); // let loopback deliver all three before the node looks

    // One pass of the event loop signals the socket once; that one read takes all three.
    QCoreApplication::processEvents();
    QCOMPARE(harness.node().timecodeSourceCount(), 3);
    QCOMPARE(harness.node().receivedDatagrams(), quint64(3));
}

void NodeTest::everyTimecodeIsSignalledAsItIsStored()
{
    NodeHarness harness;
    QVERIFY(harness.node().openSocket());
    QSignalSpy stored(&harness.node(), &artnet::timecodeReceived);
    LoopbackPeer main("127.0.0.5"), backup("127.0.0.6");
    // Queued up before the node reads: the table ends up with the last frame of each sender, the
    // signal tells every frame, in order, with its sender's place in the table.
    main.sendTo(timecodePacket(0, 0, 9, 23, 1), harness.port());
    main.sendTo(timecodePacket(0, 0, 9, 24, 1), harness.port());
    backup.sendTo(timecodePacket(0, 0, 9, 23, 1), harness.port());
    main.sendTo(timecodePacket(0, 0, 10, 0, 1), harness.port());
    QTRY_COMPARE_WITH_TIMEOUT(stored.count(), 4, 2000);
    QStringList seen;
    for (const QList<QVariant>& call : stored) {
        const auto timecode = call.at(1).value<ArtTimecode>();
        seen.append(
            QStringLiteral("%1 %2:%3").arg(call.at(0).toInt()).arg(timecode.seconds).arg(timecode.frames));
    }
    QCOMPARE(seen, (QStringList{"0 9:23", "0 9:24", "1 9:23", "0 10:0"}));
}

void NodeTest::floodIsReadInBoundedBatchesAndNothingIsLeftBehind()
{
    NodeHarness harness;
    QVERIFY(harness.node().openSocket());
    LoopbackPeer sender("127.0.0.5");
    constexpr int Backlog = 400; // more than one call may take, little enough for a small socket buffer
    constexpr int Flood = 2000;
    int sent = 0;
    const auto send = [&](int count) {
        for (int i = 0; i < count; ++i, ++sent)
            sender.sendTo(timecodePacket(0, 0, quint8(sent / 30 % 60), quint8(sent % 30), 3), harness.port());
    };
    send(Backlog);
    QTest::qSleep(50);

    QCoreApplication::processEvents();
    const quint64 afterOneCall = harness.node().receivedDatagrams();
    QVERIFY2(afterOneCall > 0 && afterOneCall <= quint64(artnet::MaxDatagramsPerRead) + 1,
             qPrintable(QString::number(afterOneCall)));

    // The event loop alone brings in the rest, the backlog's remainder included: the socket
    // keeps signalling while data is pending.
    while (sent < Flood) {
        send(100);
        QTest::qWait(2);
    }
    QTRY_COMPARE(harness.node().receivedDatagrams(), quint64(Flood));
    const ArtTimecode last = timecodeAt(harness.node(), 0);
    QCOMPARE(last.frames, quint8((Flood - 1) % 30));
}

void NodeTest::datagramsWaitForTheReaderUnlessReadOnArrival()
{
    NodeHarness harness;
    artnet& node = harness.node();
    QVERIFY(node.openSocket());
    LoopbackPeer console("127.0.0.5");
    int frame = 0;
    const auto send = [&](int count) {
        for (int i = 0; i < count; ++i, ++frame)
            console.sendTo(timecodePacket(0, 0, quint8(frame / 30 % 60), quint8(frame % 30), 3),
                           harness.port());
        QTest::qSleep(20);
    };
    node.setReadOnArrival(false);
    // The first one still wakes the loop, which was listening; from then on datagrams wait.
    send(1);
    QTRY_COMPARE(node.receivedDatagrams(), quint64(1));
    send(2);
    QTest::qWait(100);
    QCOMPARE(node.receivedDatagrams(), quint64(1));
    node.readPending();
    QCOMPARE(node.receivedDatagrams(), quint64(3));
    QCOMPARE(timecodeAt(node, 0).frames, quint8(2));

    // More than one read takes is a flood: the loop reads it as it comes.
    send(artnet::MaxDatagramsPerRead + 50);
    node.readPending();
    QVERIFY(node.receivedDatagrams() >= quint64(3 + artnet::MaxDatagramsPerRead));
    QVERIFY(node.receivedDatagrams() < quint64(frame));
    QTRY_COMPARE(node.receivedDatagrams(), quint64(frame));

    // Reading on arrival again takes in what waits, and what comes after wakes the loop.
    node.setReadOnArrival(false);
    send(1);
    QTest::qWait(50);
    node.setReadOnArrival(true);
    QCOMPARE(node.receivedDatagrams(), quint64(frame));
    send(1);
    QTRY_COMPARE(node.receivedDatagrams(), quint64(frame));
}

void NodeTest::unhandledOpCodesAreReported()
{
    NodeHarness harness;
    harness.node().dispatchPacket(artNetHeader(0x6000, 20), QHostAddress("127.0.0.5"));
    harness.node().dispatchPacket(artNetHeader(0x6000, 20), QHostAddress("127.0.0.5"));
    harness.node().dispatchPacket(artNetHeader(0x00ab, 13), QHostAddress("127.0.0.5"));
    QCOMPARE(harness.diagnostics.filter("receive not implemented").size(), 3);
    QCOMPARE(harness.diagnostics.filter("receive not implemented").first(),
             QStringLiteral("receive not implemented OpCode at time 0x6000"));
    QCOMPARE(harness.diagnostics.last(), QStringLiteral("receive not implemented OpCode at time 0xAB"));

    // Under the other product's ID, only its sync packets count; the rest goes without a word.
    const int before = harness.diagnostics.size();
    harness.node().dispatchPacket(madrixHeader(0x9700, 20), QHostAddress("127.0.0.5"));
    harness.node().dispatchPacket(madrixHeader(0x6000, 20), QHostAddress("127.0.0.5"));
    QCOMPARE(harness.diagnostics.size(), before);
    QCOMPARE(harness.node().timecodeSourceCount(), 0);
}

void NodeTest::otherPacketsOfNote()
{
    NodeHarness harness;
    harness.node().dispatchPacket(artNetHeader(0x2100, 240), QHostAddress("127.0.0.5"));
    QCOMPARE(harness.diagnostics.last(), QStringLiteral("Art-Net PollReply"));
    const int before = harness.diagnostics.size();
    harness.node().dispatchPacket(artNetHeader(0x9700, 12), QHostAddress("127.0.0.5"));
    QCOMPARE(harness.node().timecodeSourceCount(), 0);
    QCOMPARE(harness.diagnostics.size(), before);
}

void NodeTest::syncNoticesOnceButAppliedEveryTime()
{
    NodeHarness harness;
    QVERIFY(harness.node().enableDmxInput());
    QByteArray channels(512, '\0');
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(channels.data()), 512, 512);
    const QHostAddress console("127.0.0.5");

    // Ninety-nine packets switch sync off and the hundredth on: only a node that applies every
    // packet, not just the first, holds the data that follows.
    for (int i = 0; i < 100; ++i)
        QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRE ");
    for (int i = 0; i < 99; ++i)
        harness.node().dispatchPacket(syncPacket(0x5101, 0), console);
    harness.node().dispatchPacket(syncPacket(0x5101, 1), console);
    QCOMPARE(harness.diagnostics.filter("receiving Art-Net SYNC PRE ...").size(), 1);

    // Sync on: data waits in the shadow until the next sync packet, which brings it in.
    harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x42))), console);
    QCOMPARE(channels.at(0), '\0');
    QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRO ");
    harness.node().dispatchPacket(syncPacket(0x5202, 1), console);
    QCOMPARE(channels.at(0), char(0x42));
    QCOMPARE(harness.diagnostics.filter("receiving Art-Net SYNC POST ...").size(), 1);
    harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x43))), console);
    QCOMPARE(channels.at(0), char(0x42));
    QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRE ");
    harness.node().dispatchPacket(syncPacket(0x5101, 1), console);
    QCOMPARE(channels.at(0), char(0x43));
    QCOMPARE(harness.diagnostics.filter("receiving Art-Net SYNC PRE ...").size(), 1);

    QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRE ");
    QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC POST ");
    harness.node().dispatchPacket(madrixHeader(0x5101, 13), console);
    harness.node().dispatchPacket(madrixHeader(0x5202, 13), console);
    QCOMPARE(harness.diagnostics.filter("receiving MadrixN SYNC POST ...").size(), 1);

    // Sync flag 0: data goes straight through again.
    harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x17))), console);
    QCOMPARE(channels.at(511), char(0x17));
    harness.node().setUniverseBuffer(nullptr, 0, 0);
}

void NodeTest::syncHoldsDataForThreeSecondsAfterTheLastSync_data()
{
    QTest::addColumn<qint64>("firstGapMs"); // from the first sync to a second one; -1: none
    QTest::addColumn<qint64>("quietMs");    // from the last sync to the ArtDmx
    QTest::addColumn<bool>("held");

    QTest::newRow("right after the sync") << qint64(-1) << qint64(0) << true;
    QTest::newRow("three seconds to the millisecond") << qint64(-1) << artnet::SyncHoldMs << true;
    QTest::newRow("one millisecond past three seconds") << qint64(-1) << artnet::SyncHoldMs + 1 << false;
    QTest::newRow("a sender that stopped long ago") << qint64(-1) << qint64(600000) << false;
    QTest::newRow("a later sync starts the three seconds again") << qint64(2500) << qint64(2500) << true;
    QTest::newRow("the later sync's hold ends too") << qint64(2500) << qint64(3001) << false;
}

void NodeTest::syncHoldsDataForThreeSecondsAfterTheLastSync()
{
    QFETCH(qint64, firstGapMs);
    QFETCH(qint64, quietMs);
    QFETCH(bool, held);

    ManualClock clock;
    NodeHarness harness({}, {}, &clock);
    QVERIFY(harness.node().enableDmxInput());
    QByteArray channels(512, '\0');
    QList<PixelColour> pixels(2);
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(channels.data()), 512, 512);
    harness.node().setPixelBuffer(pixels.data(), 2, 6);
    const QHostAddress console("127.0.0.5");

    QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRE ");
    harness.node().dispatchPacket(syncPacket(0x5101, 1), console);
    if (firstGapMs >= 0) {
        clock.advance(firstGapMs);
        QTest::ignoreMessage(QtDebugMsg, "MadrixN SYNC PRE ");
        harness.node().dispatchPacket(syncPacket(0x5101, 1), console);
    }
    clock.advance(quietMs);
    harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x42))), console);
    QCOMPARE(channels.at(0), held ? '\0' : char(0x42));
    QCOMPARE(pixels[0], (held ? PixelColour{} : PixelColour{0x42, 0x42, 0x42}));

    // Once the hold has lapsed, the sync is off for good: later data goes straight in as well.
    if (!held) {
        clock.advance(1);
        harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x43))), console);
        QCOMPARE(channels.at(0), char(0x43));
    }
    harness.node().setUniverseBuffer(nullptr, 0, 0);
    harness.node().setPixelBuffer(nullptr, 0, 0);
}

void NodeTest::dmxIgnoredWithoutInputBuffer()
{
    NodeHarness harness;
    harness.node().dispatchPacket(dmxPacket(0, QByteArray(512, char(0x11))), QHostAddress("127.0.0.5"));
    quint8 destination[512];
    quint16 length = 512;
    QVERIFY(!harness.node().readDmxInput(destination, &length));
    QVERIFY(!harness.node().hasNewDmxInput());
    QVERIFY(harness.diagnostics.filter("not implemented").isEmpty());
}

void NodeTest::dmxInputOfOneUniverse()
{
    NodeHarness harness;
    QVERIFY(harness.node().enableDmxInput());
    QVERIFY(!harness.node().setInputUniverse(0));
    QVERIFY(harness.node().setInputUniverse(3)); // 1-based: universe word 2
    QCOMPARE(harness.node().inputUniverse(), quint16(2));

    LoopbackPeer console("127.0.0.5");
    console.sendTo(dmxPacket(1, QByteArray(100, char(0x01))), harness.port());
    console.sendTo(dmxPacket(2, QByteArray(24, char(0x33))), harness.port());
    QTRY_VERIFY(harness.node().hasNewDmxInput());

    quint8 destination[512] = {};
    quint16 length = 512;
    QVERIFY(harness.node().readDmxInput(destination, &length));
    QCOMPARE(length, quint16(24));
    QCOMPARE(destination[23], quint8(0x33));
    QVERIFY(!harness.node().hasNewDmxInput());

    quint16 zero = 0;
    QVERIFY(!harness.node().readDmxInput(destination, &zero));
    QVERIFY(!harness.node().readDmxInput(nullptr, &length));
}

void NodeTest::universeBufferHoldsDataUntilSync()
{
    NodeHarness harness;
    QByteArray buffer(3 * 170 + 10, '\0');
    // Refused until DMX input is enabled.
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(buffer.data()), quint32(buffer.size()), 170);
    QVERIFY(!harness.node().universeBuffer());
    QVERIFY(harness.node().enableDmxInput());
    harness.node().setUniverseBuffer(reinterpret_cast<quint8*>(buffer.data()), quint32(buffer.size()), 170);
    QCOMPARE(harness.node().universeBufferLength(), quint32(buffer.size()));

    const QHostAddress console("127.0.0.5");
    harness.node().dispatchPacket(dmxPacket(1, QByteArray(512, char(0x21))), console);
    QCOMPARE(buffer.mid(170, 170), QByteArray(170, char(0x21)));
    QCOMPARE(buffer.at(340), '\0');
    // The last universe only partly fits; one beyond the end is skipped.
    harness.node().dispatchPacket(dmxPacket(3, QByteArray(512, char(0x33))), console);
    QCOMPARE(buffer.mid(510), QByteArray(10, char(0x33)));
    harness.node().dispatchPacket(dmxPacket(9, QByteArray(512, char(0x99))), console);
    QVERIFY(!buffer.contains(char(0x99)));
    harness.node().setUniverseBuffer(nullptr, 0, 0);
    QVERIFY(!harness.node().universeBuffer());
}

void NodeTest::pixelBufferTakesTriplets()
{
    NodeHarness harness;
    QVERIFY(harness.node().enableDmxInput());
    QList<PixelColour> pixels(4);
    harness.node().setPixelBuffer(pixels.data(), 4, 6); // two colours per universe
    harness.node().dispatchPacket(dmxPacket(1, QByteArray("\x10\x20\x30\x40\x50\x60\x70", 7)),
                                  QHostAddress("127.0.0.5"));
    QCOMPARE(pixels[0], PixelColour{});
    QCOMPARE(pixels[2], (PixelColour{0x10, 0x20, 0x30}));
    QCOMPARE(pixels[3], (PixelColour{0x40, 0x50, 0x60}));
    harness.node().setPixelBuffer(nullptr, 0, 0);
    QCOMPARE(harness.node().pixelCount(), quint32(0));
}

VELMORA_REGISTER_TEST(NodeTest)
#include "tst_node.moc"
