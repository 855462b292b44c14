// What the show line says, from the timecode and the cue list alone: the next cue and the
// countdown to it, and how far the playing cue has played.
#include "show/showstatus.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QTest>

class ShowStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void nextCue_data();
    void nextCue();
    void playing_data();
    void playing();
};

namespace {

// A sender whose clock stands at hh:mm:ss:ff of the given type: a console parked there.
SenderClock clockAt(int hours, int minutes, int seconds, int frames, int type)
{
    SenderClock clock;
    const ArtTimecode timecode{quint8(frames), quint8(seconds), quint8(minutes), quint8(hours), quint8(type)};
    clock.see(timecode, 0);
    clock.see(timecode, 40);
    return clock;
}

const AudioFileConfig cues = cueList({{0, "walk-in.wav", 0, 0, 10},
                                      {1, "intro.wav", 0, 1, 0},
                                      {2, "also-intro.wav", 0, 1, 0},
                                      {3, "midnight.wav", 0, 0, 5},
                                      {4, "late.wav", 23, 59, 0}});

} // namespace

Q_DECLARE_METATYPE(SenderClock)

void ShowStatusTest::nextCue_data()
{
    QTest::addColumn<SenderClock>("sender");
    QTest::addColumn<QString>("next"); // "slot N: TEXT" or "none"
    QTest::addColumn<bool>("warning");
    constexpr int Film = 0, Ebu = 1, Drop = 2;

    QTest::newRow("seconds before the first cue") << clockAt(0, 0, 2, 12, Ebu) << "slot 3: 2.5 s" << true;
    QTest::newRow("more than a minute ahead")
        << clockAt(23, 57, 30, 0, Film) << "slot 4: 00:01:30:00" << false;
    QTest::newRow("two cues at one time: the upper slot")
        << clockAt(0, 0, 40, 0, Ebu) << "slot 1: 20.0 s" << false;
    QTest::newRow("just over ten seconds: no warning yet")
        << clockAt(0, 0, 49, 24, Ebu) << "slot 1: 10.0 s" << false;
    QTest::newRow("drop frame, counted in its frames")
        << clockAt(0, 0, 59, 29, Drop) << "slot 1: 0.0 s" << true;
    QTest::newRow("through midnight") << clockAt(23, 59, 30, 0, Ebu) << "slot 3: 35.0 s" << false;
    QTest::newRow("on a cue's start: the one after it")
        << clockAt(0, 0, 10, 0, Ebu) << "slot 1: 50.0 s" << false;
    QTest::newRow("past the last cue") << clockAt(11, 0, 0, 0, Ebu) << "none" << false;
}

void ShowStatusTest::nextCue()
{
    QFETCH(SenderClock, sender);
    QFETCH(QString, next);
    QFETCH(bool, warning);
    std::array<bool, AudioSlotCount> hasSound{};
    for (int slot = 0; slot < AudioSlotCount; ++slot)
        hasSound[size_t(slot)] = !cues.file[slot].isEmpty();
    const std::optional<ShowStatus::Next> found = ShowStatus::next(sender, cues, hasSound);
    QCOMPARE(found ? QStringLiteral("slot %1: %2")
                         .arg(found->slot)
                         .arg(ShowStatus::countdownText(found->frames, found->type))
                   : QStringLiteral("none"),
             next);
    if (found)
        QCOMPARE(ShowStatus::isWarning(found->frames, found->type), warning);
}

void ShowStatusTest::playing_data()
{
    QTest::addColumn<SenderClock>("driver");
    QTest::addColumn<int>("slot");
    QTest::addColumn<qint64>("lengthMs");
    QTest::addColumn<QString>("shown"); // played / left
    QTest::newRow("a frame in") << clockAt(0, 0, 10, 1, 1) << 0 << qint64(90000) << "00:00 / 01:29";
    QTest::newRow("located into the middle")
        << clockAt(0, 0, 55, 0, 1) << 0 << qint64(90000) << "00:45 / 00:45";
    QTest::newRow("past its end: all played")
        << clockAt(0, 3, 0, 0, 1) << 0 << qint64(90000) << "01:30 / 00:00";
    QTest::newRow("located back before its start")
        << clockAt(0, 0, 5, 0, 1) << 0 << qint64(90000) << "00:00 / 01:30";
    QTest::newRow("length not known") << clockAt(0, 1, 2, 0, 3) << 1 << qint64(-1) << "00:02 / --:--";
}

void ShowStatusTest::playing()
{
    QFETCH(SenderClock, driver);
    QFETCH(int, slot);
    QFETCH(qint64, lengthMs);
    QFETCH(QString, shown);
    const std::optional<ShowStatus::Playing> playing = ShowStatus::playing(driver, cues, slot, lengthMs);
    QVERIFY(playing);
    QCOMPARE(ShowStatus::minutesText(playing->playedMs) + " / " + ShowStatus::minutesText(playing->leftMs),
             shown);
}

VELMORA_REGISTER_TEST(ShowStatusTest)
#include "tst_showstatus.moc"
