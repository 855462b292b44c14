// Wireshark's Art-Net dissector as an independent judge: the node's real ArtPollReply, as a
// poller on loopback received it, must decode to the fields we mean to send.
#include "nodeharness.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class WiresharkTest : public QObject
{
    Q_OBJECT

private slots:
    void pollReplyDecodes();
    void timecodeIsRecognised();

private:
    QString decode(const QByteArray& datagram, const QStringList& fields);
};

QString WiresharkTest::decode(const QByteArray& datagram, const QStringList& fields)
{
    const QString tshark = QStandardPaths::findExecutable("tshark");
    const QString text2pcap = QStandardPaths::findExecutable("text2pcap");
    if (tshark.isEmpty() || text2pcap.isEmpty())
        return QStringLiteral("tshark or text2pcap missing: the test command installs the tshark package");

    QTemporaryDir folder;
    QFile dump(folder.filePath("reply.txt"));
    if (!dump.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write the hex dump");
    for (int offset = 0; offset < datagram.size(); offset += 16) {
        dump.write(QByteArray::number(offset, 16).rightJustified(6, '0') + ' ' +
                   datagram.mid(offset, 16).toHex(' ') + '\n');
    }
    dump.close();

    QProcess convert;
    convert.start(text2pcap, {"-q", "-u", "6454,6454", dump.fileName(), folder.filePath("reply.pcap")});
    if (!convert.waitForFinished(30000) || convert.exitCode() != 0)
        return QStringLiteral("text2pcap failed: ") + QString::fromLocal8Bit(convert.readAllStandardError());

    QStringList arguments{"-r", folder.filePath("reply.pcap"), "-T", "fields", "-E", "separator=|"};
    for (const QString& field : fields)
        arguments << "-e" << field;
    QProcess dissect;
    dissect.start(tshark, arguments);
    if (!dissect.waitForFinished(60000) || dissect.exitCode() != 0)
        return QStringLiteral("tshark failed: ") + QString::fromLocal8Bit(dissect.readAllStandardError());
    return QString::fromLocal8Bit(dissect.readAllStandardOutput()).trimmed();
}

void WiresharkTest::pollReplyDecodes()
{
    NodeHarness harness(
        {describedInterface("00:1a:2b:3c:4d:5e", "127.0.0.3", "255.0.0.0", "127.255.255.255")});
    artnet& node = harness.node();
    node.versInfoH = 0;
    node.versInfoL = 3;
    node.oemHi = 0x0C;
    node.oemLo = 0x15;
    node.setNodeNames("Orvane", "Velmora v0.3.1 by www.velmora.example");
    node.setReplyToPoll(true);
    QVERIFY(node.replyToPoll());

    LoopbackPeer poller("127.0.0.2", harness.port());
    QVERIFY(poller.isBound());
    poller.sendTo(artNetHeader(0x2000, 14), harness.port());
    const QByteArray reply = poller.receive();
    QCOMPARE(reply.size(), 240);

    const QString decoded =
        decode(reply, {"artnet.header.opcode", "artnet.poll_reply.short_name", "artnet.poll_reply.long_name",
                       "artnet.poll_reply.ip_address", "artnet.poll_reply.port_nr",
                       "artnet.poll_reply.versinfo", "artnet.poll_reply.oem", "artnet.poll_reply.num_ports",
                       "artnet.poll_reply.mac", "artnet.poll_reply.bind_index"});
    const QStringList values = decoded.split('|');
    QVERIFY2(values.size() == 10, qPrintable(decoded));
    QCOMPARE(values[0], QStringLiteral("0x2100"));
    QCOMPARE(values[1], QStringLiteral("Orvane"));
    QCOMPARE(values[2], QStringLiteral("Velmora v0.3.1 by www.velmora.example"));
    QCOMPARE(values[3], QStringLiteral("127.0.0.3"));
    QCOMPARE(values[4], QStringLiteral("6454"));
    QCOMPARE(values[5], QStringLiteral("0x0003"));
    QCOMPARE(values[6], QStringLiteral("0x0c15"));
    QCOMPARE(values[7], QStringLiteral("0"));
    QCOMPARE(values[8], QStringLiteral("00:1a:2b:3c:4d:5e"));
    QCOMPARE(values[9], QStringLiteral("0x00"));
}

void WiresharkTest::timecodeIsRecognised()
{
    // This dissector names ArtTimeCode's op-code but does not split its fields.
    const ArtTimecode timecode{1, 2, 3, 4, 3};
    NodeHarness harness;
    LoopbackPeer receiver("127.0.0.2", harness.port());
    const QHostAddress destination("127.0.0.2");
    QCOMPARE(harness.node().sendTimecode(&timecode, &destination), qint64(20));
    const QByteArray packet = receiver.receive();
    QCOMPARE(packet.size(), 20);
    const QStringList values =
        decode(packet, {"artnet.header.id", "artnet.header.opcode", "artnet.header.protver"}).split('|');
    QVERIFY2(values.size() == 3, qPrintable(values.join('|')));
    QCOMPARE(values[0], QStringLiteral("Art-Net"));
    QCOMPARE(values[1], QStringLiteral("0x9700"));
    QCOMPARE(values[2], QStringLiteral("14"));
}

QTEST_GUILESS_MAIN(WiresharkTest)
#include "tst_wireshark.moc"
