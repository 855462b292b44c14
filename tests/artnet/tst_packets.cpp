// The bytes on the wire, checked against offsets written out here, not against the builders.
#include "artnet/artnetpacket.h"
#include "nodeharness.h"
#include "testregistry.h"

#include <QTest>

using namespace ArtNetPacket;

class PacketTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void timecodeFields_data();
    void timecodeFields();
    void pollReplyLayout();
    void pollReplyNamesAreCut();
    void macAddress_data();
    void macAddress();
    void dmxReading_data();
    void dmxReading();
    void builtPacketsAreExact();
};

void PacketTest::acceptance_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("opCode");

    QTest::newRow("13-byte timecode") << artNetHeader(0x9700, 13) << true << int(PacketId::ArtNet) << 0x9700;
    QTest::newRow("12 bytes with a valid header") << artNetHeader(0x9700, 12) << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
    QByteArray nonZeroEighth = artNetHeader(0x9700, 20);
    nonZeroEighth[7] = 'X';
    QTest::newRow("Art-Net without its zero byte") << nonZeroEighth << false << 0 << 0;
    QTest::newRow("MadrixN sync") << madrixHeader(0x5101, 13) << true << int(PacketId::MadrixN) << 0x5101;
    QTest::newRow("op-code low byte first")
        << artNetHeader(0x2000, 14) << true << int(PacketId::ArtNet) << 0x2000;
    QTest::newRow("unknown ID") << QByteArray("Art-Nxt\0\x00\x97\x00\x0e\x00", 13) << false << 0 << 0;
}

void PacketTest::acceptance()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, accepted);
    const std::optional<Header> header = readHeader(datagram);
    QCOMPARE(header.has_value(), accepted);
    if (accepted) {
        QFETCH(int, id);
        QFETCH(int, opCode);
        QCOMPARE(int(header->id), id);
        QCOMPARE(int(header->opCode), opCode);
    }
}

void PacketTest::timecodeFields_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QList<int>>("fields"); // frames, seconds, minutes, hours, type

    QTest::newRow("end of day at SMPTE")
        << timecodePacket(23, 59, 59, 29, 3) << QList<int>{29, 59, 59, 23, 3};
    QTest::newRow("out of range passes unchanged")
        << timecodePacket(255, 75, 0, 200, 9) << QList<int>{200, 0, 75, 255, 9};
    QTest::newRow("13 bytes read as zero") << artNetHeader(0x9700, 13) << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("16 bytes keep what is there")
        << timecodePacket(1, 2, 3, 4, 1).left(16) << QList<int>{4, 3, 0, 0, 0};
}

void PacketTest::timecodeFields()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QList<int>, fields);
    const ArtTimecode timecode = readTimecode(datagram);
    QCOMPARE((QList<int>{timecode.frames, timecode.seconds, timecode.minutes, timecode.hours, timecode.type}),
             fields);
}

void PacketTest::pollReplyLayout()
{
    PollReplyFields fields;
    fields.ipAddress = 0x0A000007; // 10.0.0.7, built as bytes only: nothing is sent
    fields.versInfoH = 0;
    fields.versInfoL = 3;
    fields.oemHi = 0x0C;
    fields.oemLo = 0x15;
    fields.shortName = QStringLiteral("ArtNet by Brenn");
    fields.longName = QStringLiteral("Velmora v0.3.1 by www.velmora.example");
    fields.numPorts = 1;
    fields.swOut = {4, 0, 0, 0};
    fields.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    fields.bindIndex = 1;
    const QByteArray reply = buildPollReply(fields);

    QCOMPARE(reply.size(), 240);
    QCOMPARE(reply.left(10), QByteArray("Art-Net\0\x00\x21", 10));
    QCOMPARE(reply.mid(10, 4), QByteArray("\x0A\x00\x00\x07", 4));
    QCOMPARE(reply.mid(14, 2), QByteArray("\x36\x19", 2));
    QCOMPARE(reply.mid(16, 2), QByteArray("\x00\x03", 2));
    QCOMPARE(reply.mid(20, 2), QByteArray("\x0C\x15", 2));
    QCOMPARE(reply.mid(26, 18), QByteArray("ArtNet by Brenn\0\0\0", 18));
    QCOMPARE(reply.mid(44, 37), QByteArray("Velmora v0.3.1 by www.velmora.example"));
    QCOMPARE(reply.at(173), char(1));
    QCOMPARE(reply.mid(174, 4), QByteArray(4, char(0x85)));
    QCOMPARE(reply.mid(182, 4), QByteArray(4, char(0x80)));
    QCOMPARE(reply.mid(190, 4), QByteArray("\x04\x00\x00\x00", 4));
    QCOMPARE(reply.mid(201, 6), QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6));
    QCOMPARE(reply.at(211), char(1));
    // Everything not listed stays zero.
    QByteArray rest = reply;
    for (auto [offset, length] :
         {std::pair{0, 22}, {26, 18}, {44, 37}, {173, 1}, {174, 4}, {182, 4}, {190, 1}, {201, 6}, {211, 1}})
        rest.replace(offset, length, QByteArray(length, '\0'));
    QCOMPARE(rest, QByteArray(240, '\0'));
}

void PacketTest::pollReplyNamesAreCut()
{
    PollReplyFields fields;
    fields.shortName = QString(30, QLatin1Char('s'));
    fields.longName = QString(100, QLatin1Char('l'));
    fields.nodeReport = QString(100, QLatin1Char('r'));
    const QByteArray reply = buildPollReply(fields);
    QCOMPARE(reply.mid(26, 18), QByteArray(17, 's') + QByteArray(1, '\0'));
    QCOMPARE(reply.mid(44, 64), QByteArray(63, 'l') + QByteArray(1, '\0'));
    QCOMPARE(reply.mid(108, 64), QByteArray(63, 'r') + QByteArray(1, '\0'));
}

void PacketTest::macAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("mac");

    QTest::newRow("upper-case hex") << "00:1A:2B:3C:4D:5E" << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    QTest::newRow("lower-case hex") << "00:1a:2b:3c:4d:5e" << QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6);
    QTest::newRow("none reported") << "00:00:00:00:00:00" << QByteArray(6, '\0');
    QTest::newRow("empty text") << "" << QByteArray(6, '\0');
    QTest::newRow("short text") << "AB:C" << QByteArray("\xAB\x0C\x00\x00\x00\x00", 6);
    QTest::newRow("non-hex characters skipped")
        << "0G:1Z:FF:--:10:01" << QByteArray("\x00\x01\xFF\x00\x10\x01", 6);
    QTest::newRow("longer text uses the first twelve digits")
        << "11:22:33:44:55:66:77:88" << QByteArray("\x11\x22\x33\x44\x55\x66", 6);
}

void PacketTest::macAddress()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, mac);
    const std::array<quint8, 6> parsed = parseMacAddress(text);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(parsed.data()), 6), mac);
}

void PacketTest::dmxReading_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("universe");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("lastValue");

    QByteArray full = artNetHeader(0x5000, 18 + 512);
    full[14] = 0x03;
    full[15] = 0x01;
    full[16] = 0x02;
    full[17] = 0x58; // 600 channels claimed
    full[18 + 511] = char(0x7F);
    QTest::newRow("length 600 delivers 512") << full << 0x0103 << 512 << 0x7F;

    QByteArray shortPacket = artNetHeader(0x5000, 20);
    shortPacket[17] = 0x10;
    shortPacket[19] = char(0x55);
    QTest::newRow("missing channels read as zero") << shortPacket << 0 << 16 << 0;

    QByteArray oversized = full + QByteArray(1000, char(0xEE));
    QTest::newRow("bytes past 530 are not read") << oversized << 0x0103 << 512 << 0x7F;
}

void PacketTest::dmxReading()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, universe);
    QFETCH(int, channels);
    QFETCH(int, lastValue);
    const DmxPayload payload = readDmx(datagram);
    QCOMPARE(int(payload.universe), universe);
    QCOMPARE(payload.channels.size(), channels);
    QCOMPARE(int(quint8(payload.channels.back())), lastValue);
}

void PacketTest::builtPacketsAreExact()
{
    QCOMPARE(buildPoll(), QByteArray("Art-Net\0\x00\x20\x00\x0e\x00\x00", 14));

    ArtTimecode timecode;
    timecode.hours = 10;
    timecode.minutes = 20;
    timecode.seconds = 30;
    timecode.frames = 24;
    timecode.type = 1;
    QCOMPARE(buildTimecode(timecode),
             QByteArray("Art-Net\0\x00\x97\x00\x0e\x00\x00\x18\x1e\x14\x0a\x01\x00", 20));

    const QByteArray dmx = buildDmx(QByteArray("\x01\x02", 2), 0x05, 0x01);
    QCOMPARE(dmx, QByteArray("Art-Net\0\x00\x50\x00\x0e\x00\x00\x05\x01\x00\x02\x01\x02", 20));
}

VELMORA_REGISTER_TEST(PacketTest)
#include "tst_packets.moc"
