// The flood benchmark's own arithmetic and plumbing: if these were wrong, its figures would be
// wrong without anybody noticing.
#include "barereceiver.h"
#include "floodplan.h"
#include "floodreport.h"
#include "floodsender.h"
#include "floodtotals.h"
#include "latencyrecorder.h"
#include "timecodesequence.h"
#include "udpsocketstats.h"

#include "artnet/artnet.h"

#include <QFile>
#include <QNetworkAddressEntry>
#include <QTest>
#include <QUdpSocket>

#include <atomic>
#include <thread>
#include <unistd.h>

using Events = QList<QList<qint64>>; // {sender, frame, time}
Q_DECLARE_METATYPE(ArtTimecode)

class FloodTest : public QObject
{
    Q_OBJECT

private slots:
    void timecodeCountsFrames_data();
    void timecodeCountsFrames();
    void foreignTimecodeIsNoFrame_data();
    void foreignTimecodeIsNoFrame();
    void scheduleDueCounts_data();
    void scheduleDueCounts();
    void latencySummary_data();
    void latencySummary();
    void roundsStayApart();
    void totalsAddUpRounds();
    void reportSurvivesTheTrip();
    void incompleteReportIsRefused_data();
    void incompleteReportIsRefused();
    void kernelSocketLine_data();
    void kernelSocketLine();
    void floodReachesTheNodeWhole();
    void floodReachesTheBareLoopWhole();
    void bareLoopBufferIsNotCutBySystemLimit();
};

namespace {

constexpr qint64 Second = 1'000'000'000;

FloodSettings shortFlood()
{
    FloodSettings settings;
    settings.datagramsPerSecond = 2'000;
    settings.durationNs = 400'000'000;
    settings.universes = 7;
    return settings;
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

} // namespace

void FloodTest::timecodeCountsFrames_data()
{
    QTest::addColumn<qint64>("frame");
    QTest::addColumn<QList<int>>("hmsf");
    QTest::newRow("first frame is one o'clock") << qint64(0) << QList<int>{1, 0, 0, 0};
    QTest::newRow("last frame of a second") << qint64(29) << QList<int>{1, 0, 0, 29};
    QTest::newRow("30 frames make a second") << qint64(30) << QList<int>{1, 0, 1, 0};
    QTest::newRow("1800 frames make a minute") << qint64(1800) << QList<int>{1, 1, 0, 0};
    QTest::newRow("108000 frames make an hour") << qint64(108'000) << QList<int>{2, 0, 0, 0};
    QTest::newRow("mixed") << qint64(3 * 1800 + 7 * 30 + 11) << QList<int>{1, 3, 7, 11};
}

void FloodTest::timecodeCountsFrames()
{
    QFETCH(qint64, frame);
    QFETCH(QList<int>, hmsf);
    const ArtTimecode timecode = timecodeForFrame(frame);
    QCOMPARE((QList<int>{timecode.hours, timecode.minutes, timecode.seconds, timecode.frames}), hmsf);
    QCOMPARE(timecode.type, quint8(3));
    QCOMPARE(frameForTimecode(timecode), std::optional<qint64>(frame));
}

void FloodTest::foreignTimecodeIsNoFrame_data()
{
    QTest::addColumn<ArtTimecode>("timecode");
    QTest::newRow("frame 30 at 30 frames/s") << ArtTimecode{30, 0, 0, 1, 3};
    QTest::newRow("second 60") << ArtTimecode{0, 60, 0, 1, 3};
    QTest::newRow("minute 60") << ArtTimecode{0, 0, 60, 1, 3};
    QTest::newRow("before the first hour") << ArtTimecode{0, 0, 0, 0, 3};
    QTest::newRow("EBU rate") << ArtTimecode{0, 0, 0, 1, 1};
}

void FloodTest::foreignTimecodeIsNoFrame()
{
    QFETCH(ArtTimecode, timecode);
    QCOMPARE(frameForTimecode(timecode), std::nullopt);
}

void FloodTest::scheduleDueCounts_data()
{
    QTest::addColumn<qint64>("rate");
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<qint64>("elapsed");
    // ArtDmx, timecode of the first and of the fourth sender, polls
    QTest::addColumn<QList<qint64>>("due");
    QTest::newRow("at the start the first of each is due, the fourth sender starts later")
        << qint64(25'000) << 5 * Second << qint64(0) << QList<qint64>{1, 1, 0, 1};
    QTest::newRow("after one second, timecode's share is not ArtDmx")
        << qint64(25'000) << 5 * Second << Second << QList<qint64>{24'881, 31, 30, 1};
    QTest::newRow("fourth sender a quarter frame late: frame 0 at 25 ms")
        << qint64(25'000) << 5 * Second << qint64(25'000'000) << QList<qint64>{623, 1, 1, 1};
    QTest::newRow("second poll at 3 s, not before")
        << qint64(25'000) << 5 * Second << 3 * Second - 1 << QList<qint64>{74'640, 90, 90, 1};
    QTest::newRow("second poll at 3 s")
        << qint64(25'000) << 5 * Second << 3 * Second << QList<qint64>{74'641, 91, 90, 2};
    QTest::newRow("nothing at or after the end")
        << qint64(25'000) << 5 * Second << 60 * Second << QList<qint64>{124'400, 150, 150, 2};
    QTest::newRow("a rate below the timecode's share sends no ArtDmx")
        << qint64(100) << Second << 2 * Second << QList<qint64>{0, 30, 30, 1};
}

void FloodTest::scheduleDueCounts()
{
    QFETCH(qint64, rate);
    QFETCH(qint64, duration);
    QFETCH(qint64, elapsed);
    QFETCH(QList<qint64>, due);
    const FloodPlan plan(rate, duration);
    QCOMPARE((QList<qint64>{plan.dmxDueBy(elapsed), plan.timecodeFramesDueBy(0, elapsed),
                            plan.timecodeFramesDueBy(3, elapsed), plan.pollsDueBy(elapsed)}),
             due);
}

void FloodTest::latencySummary_data()
{
    QTest::addColumn<Events>("sent");
    QTest::addColumn<Events>("seen");
    // sent, readable, overwritten, never readable
    QTest::addColumn<QList<qint64>>("counts");
    // median, p99, max; -1 for never
    QTest::addColumn<QList<qint64>>("quantiles");

    QTest::newRow("every frame seen")
        << Events{{0, 0, 0}, {0, 1, 100}, {0, 2, 200}} << Events{{0, 0, 10}, {0, 1, 130}, {0, 2, 250}}
        << QList<qint64>{3, 3, 0, 0} << QList<qint64>{30, 50, 50};
    QTest::newRow("an overwritten frame waits for the newer one")
        << Events{{0, 0, 0}, {0, 1, 100}, {0, 2, 200}} << Events{{0, 0, 5}, {0, 2, 260}}
        << QList<qint64>{3, 3, 1, 0} << QList<qint64>{60, 160, 160};
    QTest::newRow("a frame never readable is endless")
        << Events{{0, 0, 0}, {0, 1, 100}} << Events{{0, 0, 20}} << QList<qint64>{2, 1, 0, 1}
        << QList<qint64>{20, -1, -1};
    QTest::newRow("senders with the same frames are kept apart")
        << Events{{0, 5, 0}, {1, 5, 0}} << Events{{1, 5, 40}, {0, 5, 10}} << QList<qint64>{2, 2, 0, 0}
        << QList<qint64>{10, 40, 40};
    QTest::newRow("a stale value shown late covers nothing new")
        << Events{{0, 0, 0}, {0, 1, 10}, {0, 2, 20}} << Events{{0, 2, 30}, {0, 1, 40}}
        << QList<qint64>{3, 3, 1, 0} << QList<qint64>{20, 30, 30};

    Events sent, seen;
    for (qint64 i = 0; i < 100; ++i) {
        sent.append({2, i, 1000 * i});
        seen.append({2, i, 1000 * i + i + 1});
    }
    QTest::newRow("nearest rank over latencies 1..100")
        << sent << seen << QList<qint64>{100, 100, 0, 0} << QList<qint64>{50, 99, 100};
}

void FloodTest::latencySummary()
{
    QFETCH(Events, sent);
    QFETCH(Events, seen);
    QFETCH(QList<qint64>, counts);
    QFETCH(QList<qint64>, quantiles);
    LatencyRecorder recorder(3);
    for (const QList<qint64>& event : sent)
        recorder.recordSent(int(event[0]), event[1], event[2]);
    for (const QList<qint64>& event : seen)
        recorder.recordSeen(int(event[0]), event[1], event[2]);
    const LatencyRecorder::Summary summary = recorder.summarise();
    QCOMPARE((QList<qint64>{summary.sent, summary.readable, summary.overwritten, summary.neverReadable}),
             counts);
    QCOMPARE((QList<qint64>{summary.medianNs, summary.p99Ns, summary.maxNs}), quantiles);
}

void FloodTest::roundsStayApart()
{
    // Both rounds count frames from 0; merged, each frame keeps its own round's send time.
    LatencyRecorder first(1), second(1), run(0);
    first.recordSent(0, 0, 1000);
    first.recordSeen(0, 0, 1010);
    second.recordSent(0, 0, 5000);
    second.recordSeen(0, 0, 5300);
    run.absorb(first);
    run.absorb(second);
    const LatencyRecorder::Summary summary = run.summarise();
    QCOMPARE(summary.sent, qint64(2));
    QCOMPARE(summary.medianNs, qint64(10));
    QCOMPARE(summary.maxNs, qint64(300));
}

void FloodTest::totalsAddUpRounds()
{
    PhaseResult first, second;
    first.report.dmxSent = 100;
    first.report.firstSendNs = 0;
    first.report.lastSendNs = Second;
    first.report.repliesObserved = true;
    first.received = 100;
    first.cpu.totalNs = 100'000;
    first.socket = UdpSocketStats{1, 0, 0, 8'000'000};
    second.report.dmxSent = 300;
    second.report.firstSendNs = 10 * Second;
    second.report.lastSendNs = 11 * Second;
    second.report.repliesObserved = false;
    second.received = 290;
    second.cpu.totalNs = 290'000;
    second.socket = UdpSocketStats{2, 10, 0, 400'000};
    FloodTotals totals;
    totals.add(first);
    totals.add(second);
    QCOMPARE(totals.lost(), qint64(10));
    QCOMPARE(totals.kernelDrops, qint64(10));
    // The time between the rounds is no flood time.
    QCOMPARE(totals.receivedPerSecond(), 195.0);
    QCOMPARE(totals.cpuPerDatagramUs(), 1.0);
    QCOMPARE(totals.receiveBuffer, 400'000);
    QVERIFY(!totals.repliesObserved);
}

void FloodTest::reportSurvivesTheTrip()
{
    FloodReport report;
    report.dmxSent = 124'400;
    report.timecodeSent = 2;
    report.pollsSent = 2;
    report.sendErrors = 3;
    report.firstSendNs = 1'000'000'000'123;
    report.lastSendNs = 1'005'000'000'456;
    report.maxLagNs = 789;
    report.repliesObserved = true;
    report.pollReplies = 2;
    report.timecodeSends = {{0, 0, 1'000'000'000'200}, {3, 149, 1'004'999'000'000}};

    const std::optional<FloodReport> back = FloodReport::fromText(report.toText());
    QVERIFY(back);
    QCOMPARE((QList<qint64>{back->dmxSent, back->timecodeSent, back->pollsSent, back->sendErrors,
                            back->firstSendNs, back->lastSendNs, back->maxLagNs, back->pollReplies}),
             (QList<qint64>{124'400, 2, 2, 3, 1'000'000'000'123, 1'005'000'000'456, 789, 2}));
    QVERIFY(back->repliesObserved);
    QCOMPARE(back->timecodeSends.size(), 2);
    QCOMPARE(back->timecodeSends[1].sender, 3);
    QCOMPARE(back->timecodeSends[1].frame, qint64(149));
    QCOMPARE(back->timecodeSends[1].sentNs, qint64(1'004'999'000'000));
    QCOMPARE(back->total(), qint64(124'404));
}

void FloodTest::incompleteReportIsRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray head = "sent 10 1 0 0\nspan 1 2 3\nreplies 0 0\ntimecode 0 0 5\n";
    QTest::newRow("complete, for contrast") << head + "end\n";
    QTest::newRow("sender died before the end line") << head;
    QTest::newRow("fewer timecode lines than sent") << QByteArray("sent 10 2 0 0\nspan 1 2 3\nreplies 0 0\n"
                                                                  "timecode 0 0 5\nend\n");
    QTest::newRow("no counts") << QByteArray("span 1 2 3\nreplies 0 0\nend\n");
    QTest::newRow("a word where a number belongs")
        << QByteArray("sent 10 x 0 0\nspan 1 2 3\nreplies 0 0\nend\n");
    QTest::newRow("something after the end") << head + "end\ntimecode 0 1 6\n";
}

void FloodTest::incompleteReportIsRefused()
{
    QFETCH(QByteArray, text);
    const bool complete = QByteArray(QTest::currentDataTag()).startsWith("complete");
    QCOMPARE(FloodReport::fromText(text).has_value(), complete);
}

void FloodTest::kernelSocketLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QList<qint64>>("inodeDropsQueued");
    const QByteArray tail = " 00000000:0000 07 00000000:00000A00 00:00000000 00000000     0        0 123456 "
                            "2 0000000000000000 17";
    QTest::newRow("wildcard socket on the port")
        << "  812: 00000000:1936" + tail << true << QList<qint64>{123456, 17, 2560};
    QTest::newRow("another port") << "  812: 00000000:1937" + tail << false << QList<qint64>{};
    QTest::newRow("bound to 127.0.0.2, not the wildcard")
        << "  812: 0200007F:1936" + tail << false << QList<qint64>{};
    QTest::newRow("the heading")
        << QByteArray("   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
                      "timeout inode ref pointer drops")
        << false << QList<qint64>{};
}

void FloodTest::kernelSocketLine()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, found);
    QFETCH(QList<qint64>, inodeDropsQueued);
    const std::optional<UdpSocketStats> stats = parseProcNetUdpLine(line, 6454);
    QCOMPARE(stats.has_value(), found);
    if (stats)
        QCOMPARE((QList<qint64>{qint64(stats->inode), stats->drops, stats->queuedBytes}), inodeDropsQueued);
}

void FloodTest::floodReachesTheNodeWhole()
{
    NodeEnvironment environment;
    environment.port = freeUdpPort();
    QNetworkAddressEntry loopback;
    loopback.setIp(QHostAddress(QStringLiteral("127.0.0.1")));
    loopback.setNetmask(QHostAddress(QStringLiteral("255.0.0.0")));
    environment.listInterfaces = [loopback] { return QList<DescribedInterface>{{QString(), {loopback}}}; };
    environment.writeDiagnostic = [](const QString&) {};
    artnet node(environment);
    node.setReplyToPoll(true);
    QVERIFY(node.replyToPoll());

    FloodSender sender(shortFlood(), environment.port);
    QString error;
    QVERIFY2(sender.open(&error), qPrintable(error));
    FloodReport report;
    std::atomic<bool> done{false};
    std::thread sending([&] {
        report = sender.run();
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 10'000);
    sending.join();

    const FloodPlan plan(shortFlood().datagramsPerSecond, shortFlood().durationNs);
    QCOMPARE(report.total(), plan.totalDatagrams());
    QCOMPARE(report.sendErrors, qint64(0));
    QCOMPARE(report.timecodeSends.size(), report.timecodeSent);
    QTRY_COMPARE(qint64(node.receivedDatagrams()), report.total());
    // The poll was answered to the sender's listening socket, not into the node's own count.
    QVERIFY(report.repliesObserved);
    QCOMPARE(report.pollReplies, report.pollsSent);

    QCOMPARE(node.timecodeSourceCount(), FloodPlan::TimecodeSenders);
    QStringList senders;
    for (int i = 0; i < node.timecodeSourceCount(); ++i) {
        ArtTimecode timecode;
        QHostAddress address;
        QVERIFY(node.getTimecodeSource(&timecode, &address, i));
        senders.append(address.toString());
        QCOMPARE(frameForTimecode(timecode),
                 std::optional<qint64>(plan.timecodeFramesDueBy(i, plan.durationNs()) - 1));
    }
    QCOMPARE(senders, (QStringList{"127.0.0.11", "127.0.0.12", "127.0.0.13", "127.0.0.14"}));
}

void FloodTest::floodReachesTheBareLoopWhole()
{
    BareReceiver receiver;
    QString error;
    QVERIFY2(receiver.open(1024 * 1024, &error), qPrintable(error));
    FloodSender sender(shortFlood(), receiver.port());
    QVERIFY2(sender.open(&error), qPrintable(error));
    FloodReport report;
    std::atomic<bool> done{false};
    std::thread sending([&] {
        report = sender.run();
        done = true;
    });
    const bool received = receiver.receiveUntil([&] { return bool(done); }, &error);
    sending.join();
    QVERIFY2(received, qPrintable(error));
    QCOMPARE(receiver.received(), report.total());
    QVERIFY(report.total() > 0);
}

void FloodTest::bareLoopBufferIsNotCutBySystemLimit()
{
    if (geteuid() != 0)
        QSKIP("only root may set a receive buffer past net.core.rmem_max");
    QFile limitFile(QStringLiteral("/proc/sys/net/core/rmem_max"));
    QVERIFY(limitFile.open(QIODevice::ReadOnly));
    const int limit = limitFile.readAll().trimmed().toInt();
    QVERIFY(limit > 0);
    const int asked = limit * 2;
    BareReceiver receiver;
    QString error;
    QVERIFY2(receiver.open(asked, &error), qPrintable(error));
    QVERIFY(receiver.bufferForced());
    const std::optional<UdpSocketStats> stats = wildcardUdpSocketStats(receiver.port());
    QVERIFY(stats);
    QCOMPARE(stats->receiveBuffer, 2 * asked);
}

QTEST_GUILESS_MAIN(FloodTest)
#include "tst_artnet_flood.moc"
