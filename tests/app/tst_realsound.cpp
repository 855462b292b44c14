// Cues played by the real main window through a real sound server: a private PulseAudio with a
// null output, whose monitor is recorded. The whole file must be heard, from the timecode
// datagram that starts it, and a cue that starts late from that far into its file; the recording
// sound layer and the real one go through the same cue sequence; bad files and a missing server
// leave the cue silent with one line, and the window on.
#include "platform/enginesound.h"
#include "platform/soundengine.h"
#include "pulsenullsink.h"
#include "reportlines.h"
#include "tickgapwatch.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

using namespace ToneWav;

namespace {

constexpr int ToleranceMs = 30;

} // namespace

class RealSoundTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cueIsHeardWhole_data();
    void cueIsHeardWhole();
    void cuesPlayInTurn_data();
    void cuesPlayInTurn();
    void badCueFilesNeitherCrashNorStall_data();
    void badCueFilesNeitherCrashNorStall();
    void withoutSoundServerTheWindowRunsOn();
    void followingCueIsHeardWhereTheTimecodeIs();

private:
    QTemporaryDir files;
    std::unique_ptr<PulseNullSink> soundServer;
    ReportLines reports;
    std::shared_ptr<SoundEngine> engine;
};

void RealSoundTest::initTestCase()
{
    QVERIFY(files.isValid());
    soundServer = std::make_unique<PulseNullSink>();
    // These tests are about the real output: without a sound server they fail, never skip.
    QVERIFY2(soundServer->start() && soundServer->startRecording(), qPrintable(soundServer->errorString()));
    engine = std::make_shared<SoundEngine>(SoundEngineOptions{{}, reports.writer()});
}

void RealSoundTest::cueIsHeardWhole_data()
{
    QTest::addColumn<int>("firstFrame"); // of 00:00:10 at 25 fps, after 00:00:09:24
    QTest::addColumn<int>("heardMs");
    QTest::newRow("from its start frame: the whole file") << 0 << 1000;
    QTest::newRow("three frames late: all but the first 120 ms") << 3 << 880;
}

void RealSoundTest::cueIsHeardWhole()
{
    QFETCH(int, firstFrame);
    QFETCH(int, heardMs);
    constexpr int FileMs = 1000;
    const QString path = files.filePath(QStringLiteral("intro cue.wav"));
    QVERIFY(writeCueFile(path, toneWav(FileMs, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)));

    WindowHarness harness(cueList({{0, path, 0, 0, 10}}), false, engineSoundFactory(engine));
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 9, 23);
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 9, 24);
    const qint64 sendFrame = soundServer->currentFrame();
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, quint8(firstFrame));
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("intro cue.wav"));
    QTest::qWait(FileMs + 900);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);

    const AudibleSpan span = audibleSpan(soundServer->recording(), sendFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    qInfo("timecode datagram to audible sound: %.0f ms; heard for %.1f ms of a %d ms file",
          framesToMs(span.first - sendFrame), framesToMs(span.frames()), FileMs);
    QVERIFY2(qAbs(framesToMs(span.frames()) - heardMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));
}

void RealSoundTest::cuesPlayInTurn_data()
{
    QTest::addColumn<bool>("real");
    QTest::newRow("recording sound layer") << false;
    QTest::newRow("real sound server") << true;
}

void RealSoundTest::cuesPlayInTurn()
{
    QFETCH(bool, real);
    // Two 2-second cues a second apart; the second stops the first, the stop button the second.
    const QString first = files.filePath(QStringLiteral("first.wav"));
    const QString second = files.filePath(QStringLiteral("second.flac"));
    QVERIFY(writeCueFile(first, toneWav(2000, 48000, 2, 24)));
    QVERIFY(writeToneFile(second, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 2 * 44100));
    WindowHarness harness(cueList({{0, first, 0, 0, 10}, {1, second, 0, 0, 11}}), false,
                          real ? engineSoundFactory(engine) : SoundFactory());
    QTest::qWait(100);

    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 9, 24);
    const qint64 startFrame = soundServer->currentFrame();
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 0);
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("first.wav"));
    QTest::qWait(400);
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 24);
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 11, 0);
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("second.flac"));
    QTest::qWait(400);
    const qint64 stopFrame = soundServer->currentFrame();
    harness.clickButton("stopButton");
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("second.flac stopped"));
    QTest::qWait(2500);

    if (!real) {
        const QStringList events = harness.recorder.events();
        QCOMPARE(events.filter(QRegularExpression("^play ")),
                 QStringList({QStringLiteral("play ") + first, QStringLiteral("play ") + second}));
        QVERIFY(events.lastIndexOf(QStringLiteral("stop ") + first) > events.indexOf("play " + first));
        QCOMPARE(events.last(), QStringLiteral("stop ") + second);
        return;
    }
    // One stretch of sound from the first cue to the stop button: the second cue took over
    // without a gap, and neither file ran on to its end.
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);
    const AudibleSpan span = audibleSpan(soundServer->recording(), startFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    const double expectedMs = framesToMs(stopFrame - startFrame);
    qInfo("heard for %.0f ms from the first cue to the stop button (%.0f ms apart)",
          framesToMs(span.frames()), expectedMs);
    QVERIFY2(qAbs(framesToMs(span.frames()) - expectedMs) <= 3 * ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));
    QVERIFY(reports.lines().isEmpty());
}

void RealSoundTest::badCueFilesNeitherCrashNorStall_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written when not null

    const QByteArray tone = toneWav(300, PulseNullSink::SampleRate, PulseNullSink::Channels, 16);
    const QString flac = files.filePath(QStringLiteral("whole.flac"));
    QVERIFY(writeToneFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 44100));
    QFile flacFile(flac);
    QVERIFY(flacFile.open(QIODevice::ReadOnly));
    const QString folder = files.filePath(QStringLiteral("a folder.wav"));
    QVERIFY(QDir().mkpath(folder));

    QTest::newRow("missing file") << files.filePath(QStringLiteral("missing.wav")) << QByteArray();
    QTest::newRow("empty file") << files.filePath(QStringLiteral("empty.wav")) << QByteArray("");
    QTest::newRow("text named .wav") << files.filePath(QStringLiteral("text.wav"))
                                     << QByteArray("ID3\x04\x00 this is no sound at all", 30);
    QTest::newRow("truncated FLAC") << files.filePath(QStringLiteral("truncated.flac")) << flacFile.read(60);
    QTest::newRow("WAV header claiming 4 GB")
        << files.filePath(QStringLiteral("claims 4 GB.wav")) << tone.left(40) + le32(0xFFFFFFF0);
    QTest::newRow("a folder") << folder << QByteArray();
}

void RealSoundTest::badCueFilesNeitherCrashNorStall()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    if (!content.isNull())
        QVERIFY(writeCueFile(path, content));
    const QString line = QStringLiteral("sound: cannot play \"%1\"").arg(path);
    const int before = reports.matching(line).size();

    // The cue is built with the window and started by the timecode; neither may hold up the GUI
    // thread while the file is opened and read. The bound is far above the 20 ms display tick and
    // a loaded machine's jitter, yet below what a read waiting for the file would take.
    constexpr double MaxTickGapMs = 500;
    TickGapWatch watch(MainWindow::DisplayIntervalMs);
    watch.restart();
    WindowHarness harness(cueList({{0, path, 0, 0, 10}}), false, engineSoundFactory(engine));
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 9, 24);
    const qint64 startFrame = soundServer->currentFrame();
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 0);
    QCOMPARE(harness.labelText("statusLabel"), QFileInfo(path).fileName());
    // The display goes on as before.
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 1);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:00:10:01"));
    QVERIFY(reports.waitFor(line));
    QCOMPARE(reports.matching(line).size(), before + 1);
    QVERIFY2(watch.longestGapMs() < MaxTickGapMs, qPrintable(QString::number(watch.longestGapMs()) + " ms"));
    QTest::qWait(300);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);
    QVERIFY(audibleSpan(soundServer->recording(), startFrame).isEmpty());
    harness.clickButton("stopButton");
}

void RealSoundTest::withoutSoundServerTheWindowRunsOn()
{
    const QString path = files.filePath(QStringLiteral("silent night.wav"));
    QVERIFY(writeCueFile(path, toneWav(500, 44100, 2, 16)));
    ReportLines lonelyReports;
    auto lonelyEngine = std::make_shared<SoundEngine>(SoundEngineOptions{
        "unix:" + QFile::encodeName(files.filePath(QStringLiteral("no-server"))), lonelyReports.writer()});

    WindowHarness harness(cueList({{0, path, 0, 0, 10}}), false, engineSoundFactory(lonelyEngine));
    QVERIFY(lonelyReports.waitFor(QStringLiteral("sound: no sound server (")));
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 9, 24);
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 0);
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("silent night.wav"));
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 1);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:00:10:01"));
    harness.clickButton("stopButton");
    QCOMPARE(harness.labelText("statusLabel"), QStringLiteral("silent night.wav stopped"));
    QCOMPARE(lonelyReports.lines().size(), 1);
}

void RealSoundTest::followingCueIsHeardWhereTheTimecodeIs()
{
    // A file whose every sample says where in the file it is: the recording tells which place of
    // the cue sounded when, to compare with the place the timecode named then.
    const QString path = files.filePath(QStringLiteral("places.wav"));
    QVERIFY(writeCueFile(path, placeWav(10000)));
    AudioFileConfig cues = cueList({{0, path, 0, 0, 10}});
    cues.followTimecode = true;
    WindowHarness harness(cues, false, engineSoundFactory(engine));
    QTest::qWait(200); // the engine opens the file and tells its length

    // A console located to 00:00:15:00 runs a second, is located back to 00:00:12:00 and runs
    // another second, then stops.
    struct Sent
    {
        qint64 recordingFrame;
        qint64 placeMs;
    };
    QList<Sent> sent;
    QElapsedTimer clock;
    clock.start();
    qint64 dueMs = 0;
    for (const int firstSecond : {15, 12}) {
        for (int frame = 0; frame < 25; ++frame) {
            dueMs += 40;
            QTest::qWait(int(qMax<qint64>(0, dueMs - clock.elapsed())));
            sent.append({soundServer->currentFrame(), (firstSecond - 10) * 1000 + frame * 40});
            harness.queueTimecode(QStringLiteral("127.0.0.5"), 0, 0, quint8(firstSecond), quint8(frame));
        }
    }
    const qint64 stoppedFrame = sent.last().recordingFrame;
    QTest::qWait(int(CueFollower::FreewheelMs) + 400);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);
    const QByteArray recording = soundServer->recording();

    // Half a second into each run the sound has long settled at its place: it must be where the
    // timecode is, within two frames.
    for (const int index : {12, 20, 37, 45}) {
        const Sent& datagram = sent[index];
        const std::optional<qint64> heard = placeHeard(recording, datagram.recordingFrame);
        QVERIFY2(heard, qPrintable(QStringLiteral("no clean place heard at datagram %1").arg(index)));
        const double errorMs = framesToMs(*heard) - datagram.placeMs;
        qInfo("datagram %d: timecode at %lld ms of the cue, heard at %.1f ms", index, datagram.placeMs,
              framesToMs(*heard));
        QVERIFY2(qAbs(errorMs) <= 80, qPrintable(QStringLiteral("%1 ms off").arg(errorMs)));
    }
    // Once the console stops, the cue falls silent after the freewheel time and its fade.
    const AudibleSpan after = audibleSpan(recording, stoppedFrame + qint64(CueFollower::FreewheelMs + 200) *
                                                                        PulseNullSink::SampleRate / 1000);
    QVERIFY2(after.isEmpty(), qPrintable(QStringLiteral("still heard %1 ms after the console stopped")
                                             .arg(framesToMs(after.first - stoppedFrame))));
}

QTEST_MAIN(RealSoundTest)
#include "tst_realsound.moc"
