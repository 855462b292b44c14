// A cue played by the real main window through a real sound server: a private PulseAudio with a
// null output, whose monitor is recorded. The whole file must be heard, from the timecode
// datagram that starts it; a cue that starts late is heard from that far into its file.
#include "platform/sound.h"
#include "pulsenullsink.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace ToneWav;

class RealSoundTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cueIsHeardWhole_data();
    void cueIsHeardWhole();
    void badCueFilesNeitherCrashNorStall_data();
    void badCueFilesNeitherCrashNorStall();

private:
    QTemporaryDir files;
    std::unique_ptr<PulseNullSink> soundServer;
    bool soundServerRunning = false;
};

void RealSoundTest::initTestCase()
{
    QVERIFY(files.isValid());
    soundServer = std::make_unique<PulseNullSink>();
    soundServerRunning = soundServer->start() && soundServer->startRecording();
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
    if (!soundServerRunning)
        QSKIP(qPrintable(QStringLiteral("No sound server to play into: ") + soundServer->errorString()));
    constexpr int FileMs = 1000;
    constexpr int ToleranceMs = 30;
    const QString path = files.filePath(QStringLiteral("intro cue.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toneWav(FileMs, PulseNullSink::SampleRate, PulseNullSink::Channels, 16));
    file.close();

    WindowHarness harness(cueList({{0, path, 0, 0, 10}}), false, systemSoundFactory());
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

void RealSoundTest::badCueFilesNeitherCrashNorStall_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<bool>("exists");
    const QByteArray tone = toneWav(300, PulseNullSink::SampleRate, PulseNullSink::Channels, 16);
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("not a wave file") << QByteArray("ID3\x04\x00", 5) + " this is an mp3 header" << true;
    QTest::newRow("wave header only") << tone.left(44) << true;
    QTest::newRow("truncated in the middle of a frame") << tone.left(tone.size() / 2 + 3) << true;
}

void RealSoundTest::badCueFilesNeitherCrashNorStall()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    const QString path = files.filePath(QStringLiteral("bad-%1.wav").arg(QTest::currentDataTag()));
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    WindowHarness harness(cueList({{0, path, 0, 0, 10}}), false, systemSoundFactory());
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 0);
    QCOMPARE(harness.labelText("statusLabel"), QFileInfo(path).fileName());
    // The display goes on as before.
    harness.sendTimecode(QStringLiteral("127.0.0.5"), 0, 0, 10, 1);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:00:10:01"));
    harness.invokeSlot("ChangedAudioStop");
}

QTEST_MAIN(RealSoundTest)
#include "tst_realsound.moc"
