// The project's timecode sender, as the scripts and benchmarks run it: every frame from each
// source address asked for, counting on at the frame rate, to the port asked for.
#include "nodeharness.h"

#include <QProcess>
#include <QTest>

class SendTimecodeTest : public QObject
{
    Q_OBJECT

private slots:
    void framesFromEveryConsole_data();
    void framesFromEveryConsole();
    void badArgumentsAreRefused();
};

void SendTimecodeTest::framesFromEveryConsole_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // sender address and timecode bytes (ff ss mm hh type)

    QTest::newRow("running, two consoles") << QStringList{"--from",  "127.0.0.11",  "--from", "127.0.0.12",
                                                          "--start", "01:02:03:29", "--type", "3"}
                                           << QStringList{"127.0.0.11 1d03020103", "127.0.0.12 1d03020103",
                                                          "127.0.0.11 0004020103", "127.0.0.12 0004020103"};
    QTest::newRow("parked, EBU") << QStringList{"--from", "127.0.0.13", "--start", "10:00:00", "--parked"}
                                 << QStringList{"127.0.0.13 0000000a01", "127.0.0.13 0000000a01"};
}

void SendTimecodeTest::framesFromEveryConsole()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    LoopbackPeer listener("127.0.0.1");
    QVERIFY(listener.isBound());
    const int frames = int(expected.size() / arguments.count("--from"));
    QProcess sender;
    sender.start(VELMORA_SEND_TIMECODE,
                 arguments + QStringList{"--port", QString::number(listener.socket.localPort()), "--frames",
                                         QString::number(frames)});
    QVERIFY(sender.waitForFinished(10000));
    QCOMPARE(sender.exitCode(), 0);
    QCOMPARE(sender.readAllStandardOutput().trimmed(),
             QByteArray("sent %1 timecode frames").replace("%1", QByteArray::number(frames)));

    QStringList received;
    while (listener.socket.hasPendingDatagrams()) {
        QHostAddress from;
        QByteArray datagram(listener.socket.pendingDatagramSize(), '\0');
        listener.socket.readDatagram(datagram.data(), datagram.size(), &from);
        QCOMPARE(datagram.left(14), timecodePacket(0, 0, 0, 0, 0).left(14));
        received.append(from.toString() + ' ' + QString::fromLatin1(datagram.mid(14, 5).toHex()));
    }
    QCOMPARE(received, expected);
}

void SendTimecodeTest::badArgumentsAreRefused()
{
    for (const QStringList& arguments :
         {QStringList{"--start", "1:2"}, QStringList{"--from", "nowhere"}, QStringList{"--port", "70000"}}) {
        QProcess sender;
        sender.start(VELMORA_SEND_TIMECODE, arguments + QStringList{"--frames", "1"});
        QVERIFY(sender.waitForFinished(10000));
        QCOMPARE(sender.exitCode(), 2);
    }
}

QTEST_GUILESS_MAIN(SendTimecodeTest)
#include "tst_sendtimecode.moc"
