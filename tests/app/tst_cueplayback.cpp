// Cues started by received timecode, as the sound layer sees them: which file is played and
// stopped, and when; the stop button; the settings dialog's outcomes; closing the window.
#include "cues/settings.h"
#include "cues/settingsstore.h"
#include "testregistry.h"
#include "windowharness.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>

class CuePlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void cueStartsOnItsFirstFrame();
    void dropFrameSenderStartsMinuteCues();
    void lostFrameZeroStartsTheCueLate();
    void heldUpWindowStartsTheCueInStep();
    void mainAndBackupConsoleGiveOneStart();
    void locates_data();
    void locates();
    void cueDoesNotStartFromOtherFrames_data();
    void cueDoesNotStartFromOtherFrames();
    void parkedSenderPlaysTheCueOnce();
    void locateAwayAndBackStartsAgain();
    void lowerSlotWinsAndSecondCueStopsTheFirst();
    void stopButtonAppendsStopped();
    void cuePlaysAndStopsAsItsStoredShapeSays_data();
    void cuePlaysAndStopsAsItsStoredShapeSays();
    void settingsOkRebuildsSoundsCancelKeepsThem();
    void settingsDefaultEmptiesTheStore();
    void editButtonOpensOneDialog();
    void closingDeletesTheSounds();
    void oddStoredValuesDoNotBreakTheWindow();
};

Q_DECLARE_METATYPE(AudioFileConfig)

namespace {

const QString intro = QStringLiteral("/shows/opening night/intro.wav");
const QString outro = QStringLiteral("/shows/opening night/outro.wav");

QStringList plays(const QStringList& events)
{
    return events.filter(QRegularExpression("^play "));
}

} // namespace

void CuePlaybackTest::cueStartsOnItsFirstFrame()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    QCOMPARE(harness.recorder.takeEvents(), QStringList{"create " + intro});
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 24);
    QVERIFY(harness.recorder.events().isEmpty());
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.waitForTicks(3);
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "play " + intro}));
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("intro.wav"));
}

void CuePlaybackTest::dropFrameSenderStartsMinuteCues()
{
    WindowHarness harness(cueList({{0, intro, 0, 1, 0}}));
    // What a 29.97 drop-frame console sends around minute 1: labels 00 and 01 do not exist.
    harness.sendTimecode("127.0.0.5", 0, 0, 59, 28, 2);
    harness.sendTimecode("127.0.0.5", 0, 0, 59, 29, 2);
    harness.sendTimecode("127.0.0.5", 0, 1, 0, 2, 2);
    harness.sendTimecode("127.0.0.5", 0, 1, 0, 3, 2);
    QCOMPARE(plays(harness.recorder.events()), QStringList{"play " + intro});
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("intro.wav"));
}

void CuePlaybackTest::lostFrameZeroStartsTheCueLate()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 23);
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 24);
    // 00:00:10:00 is lost on the way; the cue starts one 25 fps frame into its file.
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 1);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 2);
    QCOMPARE(plays(harness.recorder.events()), QStringList{"play " + intro + " at 40 ms"});
}

void CuePlaybackTest::heldUpWindowStartsTheCueInStep()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 22);
    // The window does not run while the console plays on across the cue: the frames wait in the
    // node's socket, and by the time the window runs again the show is two frames past the start.
    for (const int frames : {23, 24})
        harness.queueTimecode("127.0.0.5", 0, 0, 9, quint8(frames));
    for (const int frames : {0, 1, 2})
        harness.queueTimecode("127.0.0.5", 0, 0, 10, quint8(frames));
    QTRY_COMPARE_WITH_TIMEOUT(harness.labelText("timeLabel"), QStringLiteral("00:00:10:02"), 2000);
    harness.waitForTicks();
    QCOMPARE(plays(harness.recorder.events()), QStringList{"play " + intro + " at 80 ms"});
}

void CuePlaybackTest::mainAndBackupConsoleGiveOneStart()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    // The backup console (.6) runs a frame behind the main one (.5).
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 24);
    harness.sendTimecode("127.0.0.6", 0, 0, 9, 23);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.sendTimecode("127.0.0.6", 0, 0, 9, 24);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 1);
    harness.sendTimecode("127.0.0.6", 0, 0, 10, 0);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 2);
    harness.sendTimecode("127.0.0.6", 0, 0, 10, 1);
    // One start, and nothing stops it.
    QCOMPARE(harness.recorder.takeEvents(),
             (QStringList{"create " + intro, "stop " + intro, "play " + intro}));
}

void CuePlaybackTest::locates_data()
{
    QTest::addColumn<QList<QList<int>>>("timecodes"); // hh mm ss ff at 25 fps, sent in order
    QTest::addColumn<QStringList>("played");
    // A locate counts once the console's next frame confirms it.
    QTest::newRow("into the catch-up window: starts that far in")
        << QList<QList<int>>{{0, 0, 4, 24}, {0, 0, 5, 0}, {0, 0, 10, 3}, {0, 0, 10, 4}}
        << QStringList{"play " + intro + " at 160 ms"};
    QTest::newRow("one frame past the catch-up window: nothing")
        << QList<QList<int>>{{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 11}, {0, 0, 10, 12}} << QStringList();
    QTest::newRow("backwards into the start second: nothing")
        << QList<QList<int>>{{0, 0, 11, 24}, {0, 0, 12, 0}, {0, 0, 10, 2}, {0, 0, 10, 3}} << QStringList();
    QTest::newRow("backwards exactly onto the start: starts a frame in")
        << QList<QList<int>>{{0, 0, 11, 24}, {0, 0, 12, 0}, {0, 0, 10, 0}, {0, 0, 10, 1}}
        << QStringList{"play " + intro + " at 40 ms"};
    QTest::newRow("away and back into the window: starts again, late")
        << QList<QList<int>>{{0, 0, 9, 23}, {0, 0, 9, 24}, {0, 0, 10, 0}, {0, 0, 4, 0},
                             {0, 0, 4, 1},  {0, 0, 10, 2}, {0, 0, 10, 3}}
        << QStringList{"play " + intro, "play " + intro + " at 120 ms"};
}

void CuePlaybackTest::locates()
{
    QFETCH(QList<QList<int>>, timecodes);
    QFETCH(QStringList, played);
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    for (const QList<int>& t : timecodes)
        harness.sendTimecode("127.0.0.5", quint8(t[0]), quint8(t[1]), quint8(t[2]), quint8(t[3]));
    QCOMPARE(plays(harness.recorder.events()), played);
}

void CuePlaybackTest::cueDoesNotStartFromOtherFrames_data()
{
    QTest::addColumn<QList<QList<int>>>("timecodes"); // hh mm ss ff, sent in order
    QTest::newRow("frame 1 alone") << QList<QList<int>>{{0, 0, 10, 1}};
    QTest::newRow("jump over the start") << QList<QList<int>>{{0, 0, 9, 20}, {0, 0, 11, 0}};
    QTest::newRow("another hour") << QList<QList<int>>{{1, 0, 10, 0}};
}

void CuePlaybackTest::cueDoesNotStartFromOtherFrames()
{
    QFETCH(QList<QList<int>>, timecodes);
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    for (const QList<int>& t : timecodes)
        harness.sendTimecode("127.0.0.5", quint8(t[0]), quint8(t[1]), quint8(t[2]), quint8(t[3]));
    QCOMPARE(plays(harness.recorder.events()), QStringList());
    QCOMPARE(harness.labelText("statusLabel"), QString());
}

void CuePlaybackTest::parkedSenderPlaysTheCueOnce()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    // A paused console keeps sending its timecode; many ticks see the same frame 0.
    for (int i = 0; i < 10; ++i)
        harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.waitForTicks(10);
    QCOMPARE(plays(harness.recorder.events()), QStringList{"play " + intro});
}

void CuePlaybackTest::locateAwayAndBackStartsAgain()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    // Parked on the start, located away and back, parked again: each locate is confirmed by the
    // same frame sent again.
    for (const int seconds : {10, 5, 10}) {
        harness.sendTimecode("127.0.0.5", 0, 0, quint8(seconds), 0);
        harness.sendTimecode("127.0.0.5", 0, 0, quint8(seconds), 0);
    }
    QCOMPARE(plays(harness.recorder.events()), (QStringList{"play " + intro, "play " + intro}));
    // A second sender newly heard at the cue's frame within a second is a backup console: the cue
    // plays on.
    harness.sendTimecode("127.0.0.6", 0, 0, 10, 0);
    QCOMPARE(plays(harness.recorder.events()).size(), 2);
}

void CuePlaybackTest::lowerSlotWinsAndSecondCueStopsTheFirst()
{
    WindowHarness harness(cueList({{3, intro, 0, 0, 10}, {5, outro, 0, 0, 10}, {6, outro, 0, 0, 20}}));
    harness.recorder.takeEvents();
    harness.sendTimecode("127.0.0.5", 0, 0, 9, 24);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    QCOMPARE(plays(harness.recorder.events()), QStringList{"play " + intro});
    harness.recorder.takeEvents();

    harness.sendTimecode("127.0.0.5", 0, 0, 19, 24);
    harness.sendTimecode("127.0.0.5", 0, 0, 20, 0);
    // Every sound is stopped, the playing one included, before the next one starts.
    QCOMPARE(harness.recorder.takeEvents(),
             (QStringList{"stop " + intro, "stop " + outro, "stop " + outro, "play " + outro}));
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("outro.wav"));
}

void CuePlaybackTest::stopButtonAppendsStopped()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    auto* stop = harness.window().findChild<QPushButton*>("stopButton");
    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral(" stopped"));

    harness.sendTimecode("127.0.0.5", 0, 0, 9, 24);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.recorder.takeEvents();
    QTest::mouseClick(stop, Qt::LeftButton);
    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("intro.wav stopped stopped"));
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "stop " + intro}));
}

void CuePlaybackTest::cuePlaysAndStopsAsItsStoredShapeSays_data()
{
    QTest::addColumn<AudioFileConfig>("cues");
    QTest::addColumn<QStringList>("started"); // at 00:00:10:12, from 00:00:10:10 on
    QTest::addColumn<QStringList>("stopped"); // by the next cue at 00:00:20, then by the button

    const auto shaped = [](quint16 frame, double levelDb, int fadeInMs, int fadeOutMs,
                           const QString& output) {
        AudioFileConfig cues = cueList({{0, intro, 0, 0, 10, frame}, {1, outro, 0, 0, 20}});
        cues.levelDb[0] = levelDb;
        cues.fadeInMs[0] = fadeInMs;
        cues.fadeOutMs[0] = fadeOutMs;
        cues.output[0] = output;
        return cues;
    };
    // A store that never had the new keys plays as it always did: frame 0, cut dead.
    QTest::newRow("stored without level, fades or output")
        << cueList({{0, intro, 0, 0, 10}, {1, outro, 0, 0, 20}}) << QStringList{}
        << QStringList{"stop " + intro, "stop " + outro, "play " + outro, "stop " + intro, "stop " + outro};
    QTest::newRow("frame 12") << shaped(12, 0, 0, 0, {})
                              << QStringList{"stop " + intro, "stop " + outro, "play " + intro}
                              << QStringList{"stop " + intro, "stop " + outro, "play " + outro,
                                             "stop " + intro, "stop " + outro};
    QTest::newRow("frame 12, -6 dB, fades, second output")
        << shaped(12, -6.5, 500, 2000, "stage_monitors")
        << QStringList{"fade out " + intro + " over 2000 ms", "stop " + outro,
                       "play " + intro + " (-6.5 dB, in 500 ms, on \"stage_monitors\")"}
        << QStringList{"fade out " + intro + " over 2000 ms", "stop " + outro, "play " + outro,
                       "fade out " + intro + " over 2000 ms", "stop " + outro};
}

void CuePlaybackTest::cuePlaysAndStopsAsItsStoredShapeSays()
{
    QFETCH(AudioFileConfig, cues);
    QFETCH(QStringList, started);
    QFETCH(QStringList, stopped);
    WindowHarness harness(cues);
    harness.recorder.takeEvents();
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 10);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 11);
    harness.waitForTicks(3);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 12);
    harness.waitForTicks(3);
    QCOMPARE(harness.recorder.takeEvents(), started);
    harness.runOnto("127.0.0.5", 0, 0, 20);
    harness.waitForTicks(3);
    harness.clickButton("stopButton");
    QCOMPARE(harness.recorder.takeEvents(), stopped);
}

void CuePlaybackTest::settingsOkRebuildsSoundsCancelKeepsThem()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.recorder.takeEvents();

    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    QCOMPARE(harness.recorder.takeEvents(), QStringList());

    dialog = harness.openSettings();
    QVERIFY(dialog);
    QPointer<Settings> guard(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    // Ok without a change still stops the playing cue: the sounds are made anew.
    QCOMPARE(harness.recorder.takeEvents(),
             (QStringList{"stop " + intro, "delete " + intro, "create " + intro}));
    QVERIFY(guard.isNull());
    QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
    QCOMPARE(store.value("audio_file_0").toString(), intro);
    QCOMPARE(store.allKeys().size(), 36);
}

void CuePlaybackTest::settingsDefaultEmptiesTheStore()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}), true);
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>("defaultButton"), Qt::LeftButton);

    QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
    QCOMPARE(store.allKeys().size(), 36);
    QVERIFY(!store.contains("UseLcd"));
    QCOMPARE(store.value("audio_file_0").toString(), QString());
    QCOMPARE(store.value("audio_seconds_0").toInt(), 0);
    QVERIFY(harness.recorder.events().contains("delete " + intro));
    // The emptied list makes no sounds any more.
    QCOMPARE(harness.recorder.events().count("create " + intro), 1);
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    QCOMPARE(plays(harness.recorder.events()), QStringList());
}

void CuePlaybackTest::editButtonOpensOneDialog()
{
    WindowHarness harness;
    auto* edit = harness.window().findChild<QPushButton*>("editButton");
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::mouseClick(edit, Qt::LeftButton);
    int dialogs = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<Settings*>(widget) && widget->isVisible())
            ++dialogs;
    QCOMPARE(dialogs, 1);
    harness.window().close();
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<Settings*>(widget));
}

void CuePlaybackTest::closingDeletesTheSounds()
{
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}, {1, outro, 0, 0, 20}}));
    harness.sendTimecode("127.0.0.5", 0, 0, 10, 0);
    harness.recorder.takeEvents();
    harness.window().close();
    const QStringList closing = harness.recorder.takeEvents();
    QCOMPARE(closing, (QStringList{"stop " + intro, "delete " + intro, "stop " + outro, "delete " + outro}));
    // The display runs on, but no cue starts any more.
    harness.sendTimecode("127.0.0.5", 0, 0, 20, 0);
    QCOMPARE(harness.recorder.events(), QStringList());
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:00:20:00"));
}

void CuePlaybackTest::oddStoredValuesDoNotBreakTheWindow()
{
    // Values of the wrong type or size, as another program or a damaged file could leave them.
    const auto writeOddValues = [](MainWindowEnvironment&) {
        QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
        store.setValue("audio_file_0", QStringList{"a.wav", "b.wav"});
        store.setValue("audio_hour_0", QByteArray("\0\xff\x01", 3));
        store.setValue("audio_minute_0", 1e300);
        store.setValue("audio_seconds_0", QVariantMap{{"x", 1}});
        store.setValue("audio_file_1", QString(100000, QLatin1Char('x')));
        store.setValue("UseLcd", QStringList{"true"});
    };
    WindowHarness harness({}, false, {}, writeOddValues);
    QVERIFY(harness.window().isVisible());

    // The window still shows what a sender sends, in whichever display the store chose.
    harness.sendTimecode("127.0.0.5", 1, 2, 3, 4);
    const QString shown = QStringLiteral("01:02:03:04");
    QVERIFY2(harness.labelText("timeLabel") == shown || harness.lcdText("timeLcd") == shown,
             qPrintable(harness.labelText("timeLabel") + " / " + harness.lcdText("timeLcd")));
    QVERIFY(harness.labelText("senderLabel").contains("127.0.0.5"));

    // And its cue list can still be opened and closed.
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);

    QSettings store(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication));
    // Loading takes nothing away from the store.
    QCOMPARE(store.value("audio_file_1").toString().size(), 100000);
    QVERIFY(store.contains("audio_seconds_0"));
}

VELMORA_REGISTER_TEST(CuePlaybackTest)
#include "tst_cueplayback.moc"
