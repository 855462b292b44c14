// How the flood benchmark counts the delay from a timecode frame's send to a readable value
// when frames are overwritten before a look, looked at out of order, or never become readable.
#include "floodlatency.h"

#include <QTest>

using Events = QList<QPair<qint64, qint64>>; // frame, time in ns

class BenchFiguresTest : public QObject
{
    Q_OBJECT

private slots:
    void latencies_data();
    void latencies();
    void sendersAreKeptApart();
};

void BenchFiguresTest::latencies_data()
{
    QTest::addColumn<Events>("sent");
    QTest::addColumn<Events>("seen");
    QTest::addColumn<QList<qint64>>("expected");

    const qint64 never = NeverReadable;
    QTest::newRow("every frame seen itself")
        << Events{{0, 0}, {1, 100}} << Events{{0, 10}, {1, 130}} << QList<qint64>{10, 30};
    QTest::newRow("overwritten before a look: counts until the newer frame")
        << Events{{0, 0}, {1, 100}} << Events{{1, 150}} << QList<qint64>{50, 150};
    QTest::newRow("nothing newer ever readable")
        << Events{{0, 0}, {1, 100}} << Events{{0, 20}} << QList<qint64>{20, never};
    QTest::newRow("looks noted out of time order")
        << Events{{0, 0}, {1, 100}} << Events{{1, 130}, {0, 10}} << QList<qint64>{10, 30};
    QTest::newRow("an older frame read late does not cover a newer one")
        << Events{{0, 0}, {1, 100}, {2, 200}} << Events{{2, 210}, {1, 300}} << QList<qint64>{10, 110, 210};
}

void BenchFiguresTest::latencies()
{
    QFETCH(Events, sent);
    QFETCH(Events, seen);
    QFETCH(QList<qint64>, expected);

    std::vector<TimecodeEvent> sentEvents, seenEvents;
    for (const auto& [frame, ns] : sent)
        sentEvents.push_back({0, frame, ns});
    for (const auto& [frame, ns] : seen)
        seenEvents.push_back({0, frame, ns});
    const std::vector<qint64> latencies = timecodeLatencies(sentEvents, seenEvents);
    QCOMPARE(QList<qint64>(latencies.begin(), latencies.end()), expected);
}

void BenchFiguresTest::sendersAreKeptApart()
{
    // Sender 1's frame 5 being readable says nothing of sender 0's frame 5; a look from an
    // address that is no sender's counts for nobody.
    const std::vector<qint64> latencies =
        timecodeLatencies({{0, 5, 0}, {1, 5, 0}}, {{1, 5, 40}, {-1, 9, 50}});
    QCOMPARE(QList<qint64>(latencies.begin(), latencies.end()), (QList<qint64>{40, NeverReadable}));
    QCOMPARE(timecodeSenderOf(QHostAddress(QStringLiteral("127.0.0.11"))), 0);
    QCOMPARE(timecodeSenderOf(QHostAddress(QStringLiteral("127.0.0.14"))), 3);
    QCOMPARE(timecodeSenderOf(QHostAddress(QStringLiteral("127.0.0.15"))), -1);
    QCOMPARE(timecodeSenderOf(QHostAddress(QStringLiteral("::1"))), -1);
}

QTEST_GUILESS_MAIN(BenchFiguresTest)
#include "tst_benchfigures.moc"
