// Cues and the show's timecode through the real window: real ArtTimeCode datagrams over loopback,
// the sounds recorded. A datagram out of line starts nothing twice; with "Cues follow timecode"
// the cue is located, moved, stopped and handed over with the console.
#include "manualclock.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QTest>

class FollowModeTest : public QObject
{
    Q_OBJECT

private slots:
    void cuesFollowTheShow_data();
    void cuesFollowTheShow();
};

namespace {

const QString scene = QStringLiteral("/shows/scene.wav");

// What a step does: a datagram from an address (hh 0, mm 0, ss, ff at 25 fps) after the clock
// moved on by afterMs; no address: the clock moves and the window ticks; "stop": the stop button.
struct Step
{
    QString from;
    int seconds = 0;
    int frames = 0;
    qint64 afterMs = 40;
};

// Frames from one sender, one every 40 ms.
QList<Step> run(const QString& from, int seconds, int firstFrame, int count)
{
    QList<Step> steps;
    for (int i = 0; i < count; ++i)
        steps.append({from, seconds + (firstFrame + i) / 25, (firstFrame + i) % 25});
    return steps;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

void FollowModeTest::cuesFollowTheShow_data()
{
    QTest::addColumn<bool>("follow");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("heard"); // plays, fades and stops of the cue, in order

    const QString main = QStringLiteral("127.0.0.5"), backup = QStringLiteral("127.0.0.6");
    const QString play = "play " + scene, fade = "fade out " + scene, stop = "stop " + scene;

    // Each of these started the playing cue a second time before: one stutter per stray.
    QTest::newRow("reordered around the start")
        << false << run(main, 9, 23, 2) + QList<Step>{{main, 10, 1}, {main, 10, 0}, {main, 10, 2}}
        << QStringList{stop, play + " at 40 ms"};
    QTest::newRow("a stray from behind")
        << false << run(main, 9, 23, 5) + QList<Step>{{main, 9, 22}} + run(main, 10, 3, 2)
        << QStringList{stop, play};
    QTest::newRow("a stray copy of the start frame")
        << false << run(main, 9, 23, 5) + QList<Step>{{main, 10, 0}} + run(main, 10, 4, 2)
        << QStringList{stop, play};
    QTest::newRow("a real locate back and a run across the start")
        << false << run(main, 9, 23, 4) + run(main, 9, 20, 6) << QStringList{stop, play, stop, play};

    QTest::newRow("follow: located into the cue")
        << true << run(main, 14, 0, 2) << QStringList{play + " at 4040 ms"};
    QTest::newRow("follow: a jump inside the cue") << true << run(main, 12, 0, 2) + run(main, 16, 0, 2)
                                                   << QStringList{play + " at 2040 ms", play + " at 6040 ms"};
    QTest::newRow("follow: located out")
        << true << run(main, 12, 0, 2) + run(main, 25, 0, 2) << QStringList{play + " at 2040 ms", fade};
    QTest::newRow("follow: the end of the file")
        << true << run(main, 19, 23, 3) << QStringList{play + " at 9960 ms", fade};
    QTest::newRow("follow: parked, then runs on")
        << true << run(main, 12, 0, 2) + QList<Step>{{main, 12, 1, 500}, {main, 12, 2, 500}}
        << QStringList{play + " at 2040 ms", fade, play + " at 2080 ms"};
    QTest::newRow("follow: falls silent") << true << run(main, 12, 0, 2) + QList<Step>{{{}, 0, 0, 500}}
                                          << QStringList{play + " at 2040 ms", fade};
    QTest::newRow("follow: the backup takes over")
        << true
        << run(main, 12, 0, 2) + run(backup, 12, 2, 2) + QList<Step>{{{}, 0, 0, 300}, {backup, 12, 12, 150}}
        << QStringList{play + " at 2040 ms"};
    QTest::newRow("follow: stopped by hand")
        << true << run(main, 12, 0, 2) + QList<Step>{{QStringLiteral("stop")}} + run(main, 12, 3, 3)
        << QStringList{play + " at 2040 ms", stop};
}

void FollowModeTest::cuesFollowTheShow()
{
    QFETCH(bool, follow);
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, heard);
    ManualClock clock;
    SoundRecorder sounds;
    sounds.setLengthMs(10000);
    AudioFileConfig cues = cueList({{0, scene, 0, 0, 10}});
    cues.followTimecode = follow;
    WindowHarness harness(cues, false, sounds.factory(), onClock(clock));

    for (const Step& step : steps) {
        clock.advance(step.afterMs);
        if (step.from == QLatin1String("stop"))
            harness.clickButton("stopButton");
        else if (step.from.isEmpty())
            harness.waitForTicks();
        else
            harness.sendTimecode(step.from, 0, 0, quint8(step.seconds), quint8(step.frames));
    }
    harness.waitForTicks();
    QCOMPARE(sounds.events().filter(QRegularExpression("^(play|fade out|stop) ")), heard);
}

VELMORA_REGISTER_TEST(FollowModeTest)
#include "tst_followmode.moc"
