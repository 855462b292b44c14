// The arithmetic behind the flood benchmark's figures: how timecode latency is counted when
// frames are overwritten or never become readable, how many datagrams a flood sends, and that a
// sender's report that did not arrive whole is refused.
#include "floodfigures.h"

#include <QTest>

using Events = QList<QPair<qint64, qint64>>; // frame, time in ns

class BenchFiguresTest : public QObject
{
    Q_OBJECT

private slots:
    void latencySummary_data();
    void latencySummary();
    void floodTotals_data();
    void floodTotals();
    void reportTrip();
};

void BenchFiguresTest::latencySummary_data()
{
    QTest::addColumn<Events>("sent");
    QTest::addColumn<Events>("seen");
    QTest::addColumn<QList<qint64>>("medianP99Max");
    QTest::addColumn<qint64>("overwritten");
    QTest::addColumn<qint64>("neverReadable");

    QTest::newRow("every frame seen itself") << Events{{0, 0}, {1, 100}} << Events{{0, 10}, {1, 130}}
                                             << QList<qint64>{10, 30, 30} << qint64(0) << qint64(0);
    QTest::newRow("overwritten before a look: counts until the newer frame")
        << Events{{0, 0}, {1, 100}} << Events{{1, 150}} << QList<qint64>{50, 150, 150} << qint64(1)
        << qint64(0);
    QTest::newRow("nothing newer ever readable: no p99 and no max")
        << Events{{0, 0}, {1, 100}} << Events{{0, 20}} << QList<qint64>{20, -1, -1} << qint64(0) << qint64(1);
    QTest::newRow("looks noted out of time order") << Events{{0, 0}, {1, 100}} << Events{{1, 130}, {0, 10}}
                                                   << QList<qint64>{10, 30, 30} << qint64(0) << qint64(0);
}

void BenchFiguresTest::latencySummary()
{
    QFETCH(Events, sent);
    QFETCH(Events, seen);
    QFETCH(QList<qint64>, medianP99Max);
    QFETCH(qint64, overwritten);
    QFETCH(qint64, neverReadable);

    LatencyRecorder recorder(1);
    for (const auto& [frame, ns] : sent)
        recorder.recordSent(0, frame, ns);
    for (const auto& [frame, ns] : seen)
        recorder.recordSeen(0, frame, ns);
    const LatencyRecorder::Summary summary = recorder.summarise();
    QCOMPARE(summary.sent, qint64(sent.size()));
    QCOMPARE((QList<qint64>{summary.medianNs, summary.p99Ns, summary.maxNs}), medianP99Max);
    QCOMPARE(summary.overwritten, overwritten);
    QCOMPARE(summary.neverReadable, neverReadable);
}

void BenchFiguresTest::floodTotals_data()
{
    QTest::addColumn<qint64>("rate");
    QTest::addColumn<qint64>("durationMs");
    QTest::addColumn<qint64>("total");

    // ArtDmx fills the rate less four senders' 30 frames; a poll at the start and every 3 s.
    QTest::newRow("the README's round, 5 s at 25000/s") << qint64(25000) << qint64(5000) << qint64(125002);
    QTest::newRow("2 s at 25000/s") << qint64(25000) << qint64(2000) << qint64(50001);
    QTest::newRow("a rate below the timecode's own") << qint64(100) << qint64(1000) << qint64(121);
}

void BenchFiguresTest::floodTotals()
{
    QFETCH(qint64, rate);
    QFETCH(qint64, durationMs);
    QFETCH(qint64, total);
    const FloodPlan plan(rate, durationMs * 1'000'000);
    QCOMPARE(plan.totalDatagrams(), total);
    // Everything is due by the end, and nothing more after it.
    qint64 dueAtEnd = plan.dmxDueBy(plan.durationNs()) + plan.pollsDueBy(plan.durationNs());
    for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender)
        dueAtEnd += plan.timecodeFramesDueBy(sender, plan.durationNs() * 2);
    QCOMPARE(dueAtEnd, total);
}

void BenchFiguresTest::reportTrip()
{
    FloodReport report;
    report.dmxSent = 124400;
    report.timecodeSent = 2;
    report.pollsSent = 2;
    report.repliesObserved = true;
    report.pollReplies = 2;
    report.timecodeSends = {{0, 7, 1000}, {3, 8, 2000}};
    const QByteArray text = report.toText();
    const std::optional<FloodReport> back = FloodReport::fromText(text);
    QVERIFY(back);
    QCOMPARE(back->total(), report.total());
    QCOMPARE(back->timecodeSends.last().sentNs, qint64(2000));
    QVERIFY(back->repliesObserved);

    // A sender that died half-way left no closing line, or fewer timecode lines than it counted.
    QVERIFY(!FloodReport::fromText(text.left(text.lastIndexOf("end"))));
    QVERIFY(!FloodReport::fromText(text.left(text.indexOf("timecode 3")) + "end\n"));
    QVERIFY(!FloodReport::fromText(QByteArray("totals 1 2\nend\n")));
}

QTEST_GUILESS_MAIN(BenchFiguresTest)
#include "tst_benchfigures.moc"
