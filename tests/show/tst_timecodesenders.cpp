// Every source of timecode in one list: the numbers by which the display and the cue rules know
// the senders, in the order first heard across Art-Net and LTC, and the labels the display shows.

#include "show/timecodesenders.h"
#include "testregistry.h"

#include <QTest>

class TimecodeSendersTest : public QObject
{
    Q_OBJECT

private slots:
    void sendersAreNumberedAsFirstHeard_data();
    void sendersAreNumberedAsFirstHeard();
};

void TimecodeSendersTest::sendersAreNumberedAsFirstHeard_data()
{
    // Each heard: "a<place>:<address>" from the node's table place, or "ltc:<input>".
    QTest::addColumn<QStringList>("heard");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("console, then LTC") << QStringList{"a0:10.0.0.5", "ltc:Line In", "a0:10.0.0.5"}
                                       << QList<int>{0, 1, 0} << QStringList{"10.0.0.5", "LTC Line In"};
    QTest::newRow("LTC first, then two consoles")
        << QStringList{"ltc:Line In", "a0:10.0.0.5", "a1:10.0.0.6", "ltc:Line In"} << QList<int>{0, 1, 2, 0}
        << QStringList{"LTC Line In", "10.0.0.5", "10.0.0.6"};
    // The node gave a quiet sender's place to a newcomer: the newcomer keeps the number, the
    // window forgets what it knew of the old sender.
    QTest::newRow("a newcomer in a quiet sender's place")
        << QStringList{"a0:10.0.0.5", "ltc:Line In", "a0:10.0.0.9"} << QList<int>{0, 1, 0}
        << QStringList{"10.0.0.9", "LTC Line In"};
    QTest::newRow("another LTC input: still the one LTC sender")
        << QStringList{"ltc:Line In", "ltc:USB Audio"} << QList<int>{0, 0} << QStringList{"LTC USB Audio"};
    QTest::newRow("an input without a description yet")
        << QStringList{"ltc:"} << QList<int>{0} << QStringList{"LTC"};
}

void TimecodeSendersTest::sendersAreNumberedAsFirstHeard()
{
    QFETCH(QStringList, heard);
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, labels);

    TimecodeSenders senders;
    QList<int> given;
    quint8 frame = 0;
    for (const QString& entry : heard) {
        const QString source = entry.section(QLatin1Char(':'), 0, 0);
        const QString name = entry.section(QLatin1Char(':'), 1);
        const ArtTimecode timecode{frame++, 0, 0, 1, 1};
        given << (source == QLatin1String("ltc")
                      ? senders.heardLtc(timecode, name)
                      : senders.heardArtNet(source.mid(1).toInt(), timecode, name));
        QCOMPARE(senders.at(given.last()).timecode, timecode);
    }
    QCOMPARE(given, numbers);
    QStringList shown;
    for (int number = 0; number < senders.count(); ++number)
        shown << senders.at(number).label;
    QCOMPARE(shown, labels);
}

VELMORA_REGISTER_TEST(TimecodeSendersTest)
#include "tst_timecodesenders.moc"
