// Timecode as a frame count at the sender's own rate: what the cue check measures with.
#include "artnet/timecodeframes.h"
#include "testregistry.h"

#include <QTest>

class TimecodeFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void count_data();
    void count();
    void dropFrameLabelsFollowOneAnother();
    void milliseconds_data();
    void milliseconds();
};

void TimecodeFramesTest::count_data()
{
    QTest::addColumn<QList<int>>("time"); // hh mm ss ff type
    QTest::addColumn<qint64>("count");    // -1: outside a clock
    QTest::newRow("25 fps, one second in") << QList<int>{0, 0, 1, 0, 1} << qint64(25);
    QTest::newRow("24 fps, last frame of the day") << QList<int>{23, 59, 59, 23, 0} << qint64(24 * 86400 - 1);
    QTest::newRow("30 fps SMPTE drops nothing") << QList<int>{0, 1, 0, 0, 3} << qint64(1800);
    QTest::newRow("drop frame, last frame of minute 0") << QList<int>{0, 0, 59, 29, 2} << qint64(1799);
    QTest::newRow("drop frame, first frame of minute 1 is label 02")
        << QList<int>{0, 1, 0, 2, 2} << qint64(1800);
    QTest::newRow("drop frame, skipped label 00 is where 02 is") << QList<int>{0, 1, 0, 0, 2} << qint64(1800);
    QTest::newRow("drop frame, minute 10 keeps label 00") << QList<int>{0, 10, 0, 0, 2} << qint64(17982);
    QTest::newRow("drop frame, one hour is 107892 frames") << QList<int>{1, 0, 0, 0, 2} << qint64(107892);
    QTest::newRow("drop frame, last frame of the day") << QList<int>{23, 59, 59, 29, 2} << qint64(2589407);
    QTest::newRow("unknown type counts as 30") << QList<int>{0, 0, 1, 29, 9} << qint64(59);
    QTest::newRow("frame 25 at 25 fps is outside a clock") << QList<int>{0, 0, 1, 25, 1} << qint64(-1);
    QTest::newRow("frames 200") << QList<int>{0, 0, 1, 200, 3} << qint64(-1);
    QTest::newRow("minute 60") << QList<int>{0, 60, 0, 0, 1} << qint64(-1);
    QTest::newRow("second 60") << QList<int>{0, 0, 60, 0, 1} << qint64(-1);
    QTest::newRow("hour 24") << QList<int>{24, 0, 0, 0, 1} << qint64(-1);
}

void TimecodeFramesTest::count()
{
    QFETCH(QList<int>, time);
    QFETCH(qint64, count);
    const ArtTimecode timecode{quint8(time[3]), quint8(time[2]), quint8(time[1]), quint8(time[0]),
                               quint8(time[4])};
    QCOMPARE(TimecodeFrames::count(timecode).value_or(-1), count);
}

void TimecodeFramesTest::dropFrameLabelsFollowOneAnother()
{
    // Walk a whole day of drop-frame labels as a sender counts them: every label that exists is
    // exactly one frame after the one before it, and the day ends at framesPerDay.
    qint64 expected = 0;
    for (int hours = 0; hours < 24; ++hours) {
        for (int minutes = 0; minutes < 60; ++minutes) {
            for (int seconds = 0; seconds < 60; ++seconds) {
                for (int frames = 0; frames < 30; ++frames) {
                    if (minutes % 10 != 0 && seconds == 0 && frames < 2)
                        continue;
                    const std::optional<qint64> count =
                        TimecodeFrames::count(hours, minutes, seconds, frames, 2);
                    if (count != expected)
                        QFAIL(qPrintable(QStringLiteral("%1:%2:%3:%4 counts %5, not %6")
                                             .arg(hours)
                                             .arg(minutes)
                                             .arg(seconds)
                                             .arg(frames)
                                             .arg(count.value_or(-1))
                                             .arg(expected)));
                    ++expected;
                }
            }
        }
    }
    QCOMPARE(expected, TimecodeFrames::framesPerDay(2));
}

void TimecodeFramesTest::milliseconds_data()
{
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("one film frame") << qint64(1) << 0 << qint64(42);
    QTest::newRow("two EBU frames") << qint64(2) << 1 << qint64(80);
    QTest::newRow("one SMPTE frame") << qint64(1) << 3 << qint64(33);
    QTest::newRow("30 drop frames last 1.001 s") << qint64(30) << 2 << qint64(1001);
    QTest::newRow("a drop-frame hour of frames is an hour") << qint64(107892) << 2 << qint64(3599996);
}

void TimecodeFramesTest::milliseconds()
{
    QFETCH(qint64, frames);
    QFETCH(int, type);
    QFETCH(qint64, ms);
    QCOMPARE(TimecodeFrames::milliseconds(frames, quint8(type)), ms);
}

VELMORA_REGISTER_TEST(TimecodeFramesTest)
#include "tst_timecodeframes.moc"
