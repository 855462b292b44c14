// The cue rule on its own: which timecodes, in which order and from which senders, start which
// cue, and how far into its file; a datagram out of line starts nothing again.
#include "show/cuetrigger.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QTest>

class CueTriggerTest : public QObject
{
    Q_OBJECT

private slots:
    void startedCues_data();
    void startedCues();
    void startsWithin_data();
    void startsWithin();
};

namespace {

// One timecode as a sender sends it: sender, hh mm ss ff, type, and when it is heard (ms).
struct Step
{
    int source;
    int hours, minutes, seconds, frames;
    int type;
    qint64 nowMs;
};

QList<Step> run(int source, int type, qint64 fromMs, const QList<QList<int>>& times)
{
    QList<Step> steps;
    qint64 now = fromMs;
    for (const QList<int>& t : times) {
        steps.append({source, t[0], t[1], t[2], t[3], type, now});
        now += 40;
    }
    return steps;
}

AudioFileConfig testCues()
{
    return cueList({{0, "intro.wav", 0, 0, 10},
                    {1, "minute.wav", 0, 1, 0},
                    {2, "ten.wav", 0, 10, 0},
                    {3, "midnight.wav", 0, 0, 0},
                    {4, "same.wav", 0, 0, 10},
                    {5, "odd.wav", 0, 60, 0},
                    {6, "silent.wav", 0, 0, 20},
                    {7, "twelve.wav", 0, 2, 0, 12},
                    {8, "late.wav", 0, 2, 0, 27}});
}

std::array<bool, AudioSlotCount> testSounds()
{
    std::array<bool, AudioSlotCount> hasSound{};
    hasSound.fill(true);
    hasSound[6] = false;
    return hasSound;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

void CueTriggerTest::startedCues_data()
{
    QTest::addColumn<QList<Step>>("steps");
    // Taken once at the end, as after a burst of datagrams; otherwise after every step.
    QTest::addColumn<bool>("burst");
    QTest::addColumn<QStringList>("starts"); // "slot N at M ms"

    const auto rows = [](const char* name, const QList<Step>& steps, const QStringList& starts,
                         bool burst = false) { QTest::newRow(name) << steps << burst << starts; };
    constexpr int Film = 0, Ebu = 1, Drop = 2, Smpte = 3;

    // Every run begins with a frame that the next one confirms: a sender's first timecode is no
    // place until then.
    rows("runs onto frame 0", run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}}),
         {"slot 0 at 0 ms"});
    rows("frame 0 lost: a frame late", run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 1}}),
         {"slot 0 at 40 ms"});
    rows("30 fps, frame 0 lost", run(0, Smpte, 0, {{0, 0, 9, 28}, {0, 0, 9, 29}, {0, 0, 10, 1}}),
         {"slot 0 at 33 ms"});
    rows("24 fps, three frames lost", run(0, Film, 0, {{0, 0, 9, 21}, {0, 0, 9, 22}, {0, 0, 10, 2}}),
         {"slot 0 at 83 ms"});
    rows("at the edge of the catch-up window, confirmed",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 10}, {0, 0, 10, 11}}),
         {"slot 0 at 440 ms"});
    rows("ten frames lost: still a run", run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 9}}),
         {"slot 0 at 360 ms"});
    rows("locate one frame past the window",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 11}, {0, 0, 10, 12}}), {});
    rows("locate from long before into the window, confirmed",
         run(0, Ebu, 0, {{0, 0, 4, 24}, {0, 0, 5, 0}, {0, 0, 10, 3}, {0, 0, 10, 4}}), {"slot 0 at 160 ms"});
    rows("locate onto frame 0, confirmed by the next frame",
         run(0, Ebu, 0, {{0, 0, 4, 24}, {0, 0, 5, 0}, {0, 0, 10, 0}, {0, 0, 10, 1}}), {"slot 0 at 40 ms"});
    rows("locate onto frame 0, never confirmed", run(0, Ebu, 0, {{0, 0, 4, 24}, {0, 0, 5, 0}, {0, 0, 10, 0}}),
         {});
    rows("jump backwards into the window",
         run(0, Ebu, 0, {{0, 0, 11, 24}, {0, 0, 12, 0}, {0, 0, 10, 2}, {0, 0, 10, 3}}), {});
    rows("jump backwards onto frame 0",
         run(0, Ebu, 0, {{0, 0, 11, 24}, {0, 0, 12, 0}, {0, 0, 10, 0}, {0, 0, 10, 1}}), {"slot 0 at 40 ms"});
    rows("first heard past frame 0", run(0, Ebu, 0, {{0, 0, 10, 1}, {0, 0, 10, 2}}), {});
    rows("parked on frame 0 fires once",
         run(0, Ebu, 0, {{0, 0, 10, 0}, {0, 0, 10, 0}, {0, 0, 10, 0}, {0, 0, 10, 0}}), {"slot 0 at 0 ms"});
    rows("parked, located away and back fires again",
         run(0, Ebu, 0,
             {{0, 0, 10, 0}, {0, 0, 10, 0}, {0, 0, 5, 0}, {0, 0, 5, 0}, {0, 0, 10, 0}, {0, 0, 10, 0}}),
         {"slot 0 at 0 ms", "slot 0 at 0 ms"});
    rows("running on past the start fires once",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}, {0, 0, 10, 1}, {0, 0, 10, 2}}),
         {"slot 0 at 0 ms"});
    rows("a real locate back and a run across the start fires again",
         run(0, Ebu, 0,
             {{0, 0, 9, 23},
              {0, 0, 9, 24},
              {0, 0, 10, 0},
              {0, 0, 10, 1},
              {0, 0, 9, 20},
              {0, 0, 9, 21},
              {0, 0, 9, 22},
              {0, 0, 9, 23},
              {0, 0, 9, 24},
              {0, 0, 10, 0}}),
         {"slot 0 at 0 ms", "slot 0 at 0 ms"});

    // One datagram out of line is no locate: the cue that plays is not started again.
    rows("reordered around the start",
         run(0, Ebu, 0,
             {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 1}, {0, 0, 10, 0}, {0, 0, 10, 2}, {0, 0, 10, 3}}),
         {"slot 0 at 40 ms"});
    rows("a stray from behind",
         run(0, Ebu, 0,
             {{0, 0, 9, 23},
              {0, 0, 9, 24},
              {0, 0, 10, 0},
              {0, 0, 10, 1},
              {0, 0, 10, 2},
              {0, 0, 9, 22},
              {0, 0, 10, 3},
              {0, 0, 10, 4}}),
         {"slot 0 at 0 ms"});
    rows("a stray copy of the start frame",
         run(0, Ebu, 0,
             {{0, 0, 9, 23},
              {0, 0, 9, 24},
              {0, 0, 10, 0},
              {0, 0, 10, 3},
              {0, 0, 10, 0},
              {0, 0, 10, 4},
              {0, 0, 10, 5}}),
         {"slot 0 at 0 ms"});

    rows("drop frame runs into minute 1 at label 02",
         run(0, Drop, 0, {{0, 0, 59, 28}, {0, 0, 59, 29}, {0, 1, 0, 2}, {0, 1, 0, 3}}), {"slot 1 at 0 ms"});
    rows("drop frame, label 02 lost", run(0, Drop, 0, {{0, 0, 59, 28}, {0, 0, 59, 29}, {0, 1, 0, 3}}),
         {"slot 1 at 33 ms"});
    rows("drop frame, minute 10 has a frame 0",
         run(0, Drop, 0, {{0, 9, 59, 28}, {0, 9, 59, 29}, {0, 10, 0, 0}}), {"slot 2 at 0 ms"});
    rows("through midnight, frame 0 lost", run(0, Ebu, 0, {{23, 59, 59, 23}, {23, 59, 59, 24}, {0, 0, 0, 1}}),
         {"slot 3 at 40 ms"});
    rows("start time with minute 60 never fires",
         run(0, Ebu, 0, {{0, 59, 59, 23}, {0, 59, 59, 24}, {1, 0, 0, 0}}), {});
    rows("slot without a sound never fires", run(0, Ebu, 0, {{0, 0, 19, 23}, {0, 0, 19, 24}, {0, 0, 20, 0}}),
         {});
    // A start with a frame fires on that frame, at every rate that has it.
    rows("24 fps onto frame 12", run(0, Film, 0, {{0, 2, 0, 10}, {0, 2, 0, 11}, {0, 2, 0, 12}}),
         {"slot 7 at 0 ms"});
    rows("25 fps, frame 12 lost", run(0, Ebu, 0, {{0, 2, 0, 10}, {0, 2, 0, 11}, {0, 2, 0, 13}}),
         {"slot 7 at 40 ms"});
    rows("drop frame onto frame 12", run(0, Drop, 0, {{0, 2, 0, 10}, {0, 2, 0, 11}, {0, 2, 0, 12}}),
         {"slot 7 at 0 ms"});
    rows("30 fps onto frame 12", run(0, Smpte, 0, {{0, 2, 0, 10}, {0, 2, 0, 11}, {0, 2, 0, 12}}),
         {"slot 7 at 0 ms"});
    rows("frame 11 is not the start", run(0, Ebu, 0, {{0, 2, 0, 9}, {0, 2, 0, 10}, {0, 2, 0, 11}}), {});
    rows("30 fps onto frame 27 of the same second",
         run(0, Smpte, 0, {{0, 2, 0, 25}, {0, 2, 0, 26}, {0, 2, 0, 27}}), {"slot 8 at 0 ms"});
    rows("drop frame onto frame 27", run(0, Drop, 0, {{0, 2, 0, 25}, {0, 2, 0, 26}, {0, 2, 0, 27}}),
         {"slot 8 at 0 ms"});
    rows("25 fps has no frame 27", run(0, Ebu, 0, {{0, 2, 0, 23}, {0, 2, 0, 24}, {0, 2, 1, 0}, {0, 2, 1, 1}}),
         {});
    rows("24 fps has no frame 27",
         run(0, Film, 0, {{0, 2, 0, 22}, {0, 2, 0, 23}, {0, 2, 1, 0}, {0, 2, 1, 1}}), {});
    rows("timecode outside a clock is no step",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 9, 99}, {0, 0, 10, 1}}), {});

    rows("backup console a frame behind: one start",
         {{0, 0, 0, 9, 23, Ebu, 0},
          {1, 0, 0, 9, 22, Ebu, 20},
          {0, 0, 0, 9, 24, Ebu, 40},
          {1, 0, 0, 9, 23, Ebu, 60},
          {0, 0, 0, 10, 0, Ebu, 80},
          {1, 0, 0, 9, 24, Ebu, 100},
          {0, 0, 0, 10, 1, Ebu, 120},
          {1, 0, 0, 10, 0, Ebu, 140}},
         {"slot 0 at 0 ms"});
    rows("another sender a second and a half later starts it again",
         {{0, 0, 0, 9, 23, Ebu, 0},
          {0, 0, 0, 9, 24, Ebu, 0},
          {0, 0, 0, 10, 0, Ebu, 40},
          {1, 0, 0, 9, 23, Ebu, 1500},
          {1, 0, 0, 9, 24, Ebu, 1500},
          {1, 0, 0, 10, 0, Ebu, 1540}},
         {"slot 0 at 0 ms", "slot 0 at 0 ms"});

    rows("burst: starts as far on as its last frame",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}, {0, 0, 10, 1}, {0, 0, 10, 2}}),
         {"slot 0 at 80 ms"}, true);
    rows("burst: a confirmed locate after the start calls it off",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}, {0, 0, 3, 0}, {0, 0, 3, 1}}), {}, true);
    rows("burst: a stray after the start does not",
         run(0, Ebu, 0, {{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}, {0, 0, 3, 0}, {0, 0, 10, 1}}),
         {"slot 0 at 40 ms"}, true);
    rows("burst: another sender does not move it",
         {{0, 0, 0, 9, 23, Ebu, 0},
          {0, 0, 0, 9, 24, Ebu, 0},
          {0, 0, 0, 10, 0, Ebu, 0},
          {1, 0, 0, 3, 0, Ebu, 0},
          {1, 0, 0, 3, 1, Ebu, 0}},
         {"slot 0 at 0 ms"}, true);
}

void CueTriggerTest::startedCues()
{
    QFETCH(QList<Step>, steps);
    QFETCH(bool, burst);
    QFETCH(QStringList, starts);
    const AudioFileConfig config = testCues();
    const std::array<bool, AudioSlotCount> hasSound = testSounds();

    SenderClocks clocks;
    CueTrigger trigger;
    QStringList started;
    const auto take = [&] {
        if (const std::optional<CueTrigger::Start> start = trigger.takeStart())
            started.append(QStringLiteral("slot %1 at %2 ms").arg(start->slot).arg(start->offsetMs));
    };
    for (const Step& step : steps) {
        const ArtTimecode timecode{quint8(step.frames), quint8(step.seconds), quint8(step.minutes),
                                   quint8(step.hours), quint8(step.type)};
        if (const std::optional<SenderClock::Step> move = clocks.see(step.source, timecode, step.nowMs))
            trigger.see(step.source, *move, config, hasSound, step.nowMs);
        if (!burst)
            take();
    }
    take();
    QCOMPARE(started, starts);
}

void CueTriggerTest::startsWithin_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("soon"); // within two seconds

    constexpr int Ebu = 1, Drop = 2;
    QTest::newRow("no timecode") << QList<Step>{} << false;
    QTest::newRow("five seconds before a start") << run(0, Ebu, 0, {{0, 0, 5, 0}, {0, 0, 5, 1}}) << false;
    QTest::newRow("under two seconds before") << run(0, Ebu, 0, {{0, 0, 8, 0}, {0, 0, 8, 1}}) << true;
    QTest::newRow("on the start") << run(0, Ebu, 0, {{0, 0, 9, 24}, {0, 0, 10, 0}}) << true;
    QTest::newRow("just past it") << run(0, Ebu, 0, {{0, 0, 10, 0}, {0, 0, 10, 1}}) << false;
    QTest::newRow("before a slot without a sound") << run(0, Ebu, 0, {{0, 0, 19, 0}, {0, 0, 19, 1}}) << false;
    QTest::newRow("a first timecode near a start") << run(0, Ebu, 0, {{0, 0, 9, 0}}) << true;
    QTest::newRow("a locate near a start, not yet confirmed")
        << run(0, Ebu, 0, {{0, 0, 4, 0}, {0, 0, 4, 1}, {0, 0, 9, 0}}) << true;
    QTest::newRow("drop frame, a second before the minute")
        << run(0, Drop, 0, {{0, 0, 59, 0}, {0, 0, 59, 1}}) << true;
    QTest::newRow("before midnight") << run(0, Ebu, 0, {{23, 59, 58, 24}, {23, 59, 59, 0}}) << true;
    QList<Step> two = run(0, Ebu, 0, {{0, 0, 5, 0}, {0, 0, 5, 1}});
    two += run(1, Ebu, 0, {{0, 0, 59, 0}, {0, 0, 59, 1}});
    QTest::newRow("a second sender near a start") << two << true;
}

void CueTriggerTest::startsWithin()
{
    QFETCH(QList<Step>, steps);
    QFETCH(bool, soon);
    SenderClocks clocks;
    for (const Step& step : steps)
        clocks.see(step.source,
                   {quint8(step.frames), quint8(step.seconds), quint8(step.minutes), quint8(step.hours),
                    quint8(step.type)},
                   step.nowMs);
    QCOMPARE(CueTrigger::startsWithin(clocks, testCues(), testSounds(), 2000), soon);
}

VELMORA_REGISTER_TEST(CueTriggerTest)
#include "tst_cuetrigger.moc"
