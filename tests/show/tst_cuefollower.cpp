// Cues that follow timecode, as rules: what the senders' clocks, the cue list and the time make
// the sound layer do.
#include "show/cuefollower.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QTest>

class CueFollowerTest : public QObject
{
    Q_OBJECT

private slots:
    void follows_data();
    void follows();
};

namespace {

// A timecode from a sender at a time (25 fps), a look at the time alone (source -1: the display
// tick), or the stop button (source -2).
struct Event
{
    int source;
    qint64 nowMs;
    int seconds = 0;
    int frames = 0;
};

constexpr int Tick = -1;
constexpr int StopButton = -2;

// A sender's frames from seconds:frames on, one every 40 ms from fromMs.
QList<Event> frames(int source, qint64 fromMs, int seconds, int firstFrame, int count)
{
    QList<Event> events;
    for (int i = 0; i < count; ++i) {
        const int frame = firstFrame + i;
        events.append({source, fromMs + 40 * i, seconds + frame / 25, frame % 25});
    }
    return events;
}

} // namespace

Q_DECLARE_METATYPE(QList<Event>)

void CueFollowerTest::follows_data()
{
    QTest::addColumn<QList<Event>>("events");
    QTest::addColumn<QStringList>("actions"); // "start|move|stop SLOT [at MS]"; last the driver
    // Slot 0 plays from 00:00:10 for 10 s; slot 1 from 00:00:30 for 5 s, overlapped by slot 2
    // from 00:00:32 for 2 s.

    QTest::newRow("locate into the middle: starts at the place")
        << frames(0, 0, 14, 23, 2) << QStringList{"start 0 at 4960", "driven by 0"};
    QTest::newRow("located into a span and parked: nothing")
        << frames(0, 0, 15, 0, 1) + frames(0, 40, 15, 0, 1) + frames(0, 80, 15, 0, 1)
        << QStringList{"driven by -1"};
    QTest::newRow("parked on the start, then runs: starts one frame in")
        << frames(0, 0, 10, 0, 1) + frames(0, 40, 10, 0, 1) + frames(0, 80, 10, 1, 1)
        << QStringList{"start 0 at 40", "driven by 0"};
    QTest::newRow("a jump inside the span moves the sound")
        << frames(0, 0, 12, 0, 2) + frames(0, 80, 16, 0, 2)
        << QStringList{"start 0 at 2040", "move 0 at 6040", "driven by 0"};
    QTest::newRow("two frames ahead is left alone")
        << frames(0, 0, 12, 0, 3) + frames(0, 120, 12, 5, 1) << QStringList{"start 0 at 2040", "driven by 0"};
    QTest::newRow("a stray value moves nothing")
        << frames(0, 0, 12, 0, 3) + frames(0, 120, 5, 0, 1) + frames(0, 160, 12, 4, 2)
        << QStringList{"start 0 at 2040", "driven by 0"};
    QTest::newRow("a locate out stops it") << frames(0, 0, 12, 0, 2) + frames(0, 80, 25, 0, 2)
                                           << QStringList{"start 0 at 2040", "stop 0", "driven by -1"};
    QTest::newRow("the end of the file stops it")
        << frames(0, 0, 19, 23, 3) << QStringList{"start 0 at 9960", "stop 0", "driven by -1"};
    QTest::newRow("parked: stops after the freewheel, goes on when the clock runs")
        << frames(0, 0, 12, 0, 2) + QList<Event>{{0, 200, 12, 1}, {Tick, 440}, {0, 480, 12, 1}, {Tick, 500}} +
               frames(0, 1000, 12, 2, 1)
        << QStringList{"start 0 at 2040", "stop 0", "start 0 at 2080", "driven by 0"};
    QTest::newRow("silent: stops after the freewheel")
        << frames(0, 0, 12, 0, 2) + QList<Event>{{Tick, 400}, {Tick, 460}}
        << QStringList{"start 0 at 2040", "stop 0", "driven by -1"};
    QTest::newRow("a backup console takes over without a stop")
        << frames(0, 0, 12, 0, 2) + frames(1, 50, 12, 1, 12) << QStringList{"start 0 at 2040", "driven by 1"};
    QTest::newRow("stopped by hand: stays stopped until its sender leaves and comes back")
        << frames(0, 0, 12, 0, 2) + QList<Event>{{StopButton, 50}} + frames(0, 80, 12, 2, 3) +
               frames(0, 200, 25, 0, 2) + frames(0, 280, 12, 0, 2)
        << QStringList{"start 0 at 2040", "start 0 at 2040", "driven by 0"};
    QTest::newRow("overlapping spans: the later start wins")
        << frames(1, 0, 31, 23, 3) << QStringList{"start 1 at 1960", "stop 1", "start 2 at 0", "driven by 1"};
}

void CueFollowerTest::follows()
{
    QFETCH(QList<Event>, events);
    QFETCH(QStringList, actions);
    const AudioFileConfig config =
        cueList({{0, "scene.wav", 0, 0, 10}, {1, "long.wav", 0, 0, 30}, {2, "short.wav", 0, 0, 32}});
    std::array<qint64, AudioSlotCount> lengthMs;
    lengthMs.fill(-1);
    lengthMs[0] = 10000;
    lengthMs[1] = 5000;
    lengthMs[2] = 2000;

    SenderClocks clocks;
    CueFollower follower;
    QStringList done;
    for (const Event& event : events) {
        if (event.source == StopButton)
            follower.stopByHand();
        else if (event.source >= 0)
            clocks.see(event.source, ArtTimecode{quint8(event.frames), quint8(event.seconds), 0, 0, 1},
                       event.nowMs);
        for (const CueFollower::Action& action : follower.follow(clocks, config, lengthMs, event.nowMs)) {
            static const char* const names[] = {"start", "move", "stop"};
            QString line =
                QStringLiteral("%1 %2").arg(QLatin1String(names[int(action.kind)])).arg(action.slot);
            if (action.kind != CueFollower::Action::Kind::Stop)
                line += QStringLiteral(" at %1").arg(action.placeMs);
            done.append(line);
        }
    }
    done.append(QStringLiteral("driven by %1").arg(follower.driver()));
    QCOMPARE(done, actions);
}

VELMORA_REGISTER_TEST(CueFollowerTest)
#include "tst_cuefollower.moc"
