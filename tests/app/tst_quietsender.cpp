// A sender that has gone quiet: its timecode stays on screen, dimmed once its last datagram is
// more than a second old, and bright again at its next one. Real ArtTimeCode datagrams over
// loopback into the real window, with the window's clock moved by hand.
#include "app/timecodelabel.h"
#include "app/timecodelcd.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QTest>

namespace {

struct Console
{
    const char* address;
    quint8 hours;
};
// A parked console sends the same timecode again and again; these do throughout.
const Console ConsoleA{"127.0.0.20", 1};
const Console ConsoleB{"127.0.0.21", 2};

// Steps: "A" or "B", one datagram from that console; "+N", the clock moves on N ms. Returns the
// timecode texts of the consoles in the order they first sent.
QStringList runSteps(WindowHarness& harness, ManualClock& clock, const QStringList& steps)
{
    QStringList shown;
    for (const QString& step : steps) {
        if (step.startsWith(QLatin1Char('+'))) {
            clock.advance(step.mid(1).toInt());
            continue;
        }
        const Console& console = step == QLatin1String("A") ? ConsoleA : ConsoleB;
        harness.sendTimecode(QString::fromLatin1(console.address), console.hours, 0, 0, 0);
        const QString text = QStringLiteral("%1:00:00:00").arg(console.hours, 2, 10, QLatin1Char('0'));
        if (!shown.contains(text))
            shown.append(text);
    }
    harness.waitForTicks(3);
    return shown;
}

} // namespace

class QuietSenderTest : public QObject
{
    Q_OBJECT

private slots:
    void labelDimsTheLinesOfQuietSenders_data();
    void labelDimsTheLinesOfQuietSenders();
    void lcdDimsWhenEverySenderIsQuiet_data();
    void lcdDimsWhenEverySenderIsQuiet();
};

void QuietSenderTest::labelDimsTheLinesOfQuietSenders_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<bool>>("dimmed");
    QTest::newRow("a second of silence is not yet quiet") << QStringList{"A", "+1000"} << QList<bool>{false};
    QTest::newRow("more than a second of silence") << QStringList{"A", "+1001"} << QList<bool>{true};
    QTest::newRow("the next datagram brightens it") << QStringList{"A", "+1500", "A"} << QList<bool>{false};
    QTest::newRow("parked: the same timecode again and again")
        << QStringList{"A", "+800", "A", "+800", "A", "+800", "A", "+800"} << QList<bool>{false};
    QTest::newRow("the second of two goes quiet")
        << QStringList{"A", "B", "+600", "A", "+600"} << QList<bool>{false, true};
    QTest::newRow("the first of two goes quiet")
        << QStringList{"A", "B", "+600", "B", "+600"} << QList<bool>{true, false};
    QTest::newRow("both quiet") << QStringList{"A", "B", "+1001"} << QList<bool>{true, true};
    QTest::newRow("both quiet, then one is back")
        << QStringList{"A", "B", "+1500", "B"} << QList<bool>{true, false};
}

void QuietSenderTest::labelDimsTheLinesOfQuietSenders()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<bool>, dimmed);
    ManualClock clock;
    WindowHarness harness({}, false, {}, onClock(clock));
    const QStringList shown = runSteps(harness, clock, steps);
    const auto* label = harness.window().findChild<TimecodeLabel*>(QStringLiteral("timeLabel"));
    QVERIFY(label);
    QCOMPARE(label->dimmedLines(), dimmed);
    // Dimmed, not changed: the last timecode of every sender stays.
    QCOMPARE(label->text(), shown.join(QLatin1Char('\n')));
}

void QuietSenderTest::lcdDimsWhenEverySenderIsQuiet_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("dimmed");
    QTest::newRow("a second of silence is not yet quiet") << QStringList{"A", "+1000"} << false;
    QTest::newRow("the only sender quiet") << QStringList{"A", "+1001"} << true;
    QTest::newRow("the next datagram brightens it") << QStringList{"A", "+1500", "A"} << false;
    QTest::newRow("parked: the same timecode again and again")
        << QStringList{"A", "+800", "A", "+800", "A", "+800"} << false;
    QTest::newRow("one of two quiet") << QStringList{"A", "B", "+600", "A", "+600"} << false;
    QTest::newRow("both quiet") << QStringList{"A", "B", "+600", "A", "+1001"} << true;
    QTest::newRow("both quiet, then one is back") << QStringList{"A", "B", "+1500", "B"} << false;
}

void QuietSenderTest::lcdDimsWhenEverySenderIsQuiet()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, dimmed);
    ManualClock clock;
    WindowHarness harness({}, true, {}, onClock(clock));
    const QStringList shown = runSteps(harness, clock, steps);
    const auto* lcd = harness.window().findChild<TimecodeLcd*>(QStringLiteral("timeLcd"));
    QVERIFY(lcd);
    QCOMPARE(lcd->isDimmed(), dimmed);
    QCOMPARE(harness.lcdText("timeLcd"), shown.join(QLatin1Char(' ')));
}

VELMORA_REGISTER_TEST(QuietSenderTest)
#include "tst_quietsender.moc"
