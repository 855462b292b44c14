// The real sound output played into a private sound server whose null sink is recorded: a file is
// heard whole, from its start or an offset, restarts on every play and ends on stop; a file that
// cannot play stays silent with one line saying why; a missing sound server and one that is killed
// and started again leave the cues silent with one line, and the next cue after its return plays.
#include "platform/enginesound.h"
#include "platform/soundengine.h"
#include "pulsenullsink.h"
#include "reportlines.h"
#include "tonewav.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <cstdio>

using namespace ToneWav;

namespace {

constexpr int ToleranceMs = 30;

} // namespace

class TestSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void wholeFileIsHeard_data();
    void wholeFileIsHeard();
    void playFromOffsetIsHeardFromThere();
    void playRestartsFromBeginning();
    void stopEndsPlayback();
    void replacedFileIsHeardAsItIsNow_data();
    void replacedFileIsHeardAsItIsNow();
    void unplayableFileStaysSilentWithOneLine_data();
    void unplayableFileStaysSilentWithOneLine();
    void noSoundServerLeavesCuesSilent();
    // Last: it kills the server that the others play into.
    void nextCuePlaysAfterServerRestart();

private:
    Sound* makeSound(const QString& path, QObject* owner);
    // Waits until the sound is over and the recording reaches past its end, then returns where
    // the recording is audible from fromFrame on; nothing heard if the sound never ends.
    AudibleSpan heardAfter(Sound* sound, qint64 fromFrame);

    QTemporaryDir files;
    std::unique_ptr<PulseNullSink> soundServer;
    ReportLines reports;
    std::shared_ptr<SoundEngine> engine;
    QString oneSecond;
};

void TestSound::initTestCase()
{
    QVERIFY(files.isValid());
    oneSecond = files.filePath(QStringLiteral("one second.wav"));
    QVERIFY(writeCueFile(oneSecond, toneWav(1000, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)));
    soundServer = std::make_unique<PulseNullSink>();
    // The sound output is what these tests are about: without a server they fail, never skip.
    QVERIFY2(soundServer->start() && soundServer->startRecording(), qPrintable(soundServer->errorString()));
    engine = std::make_shared<SoundEngine>(SoundEngineOptions{{}, reports.writer()});
}

void TestSound::cleanupTestCase()
{
    engine.reset();
    soundServer.reset();
}

Sound* TestSound::makeSound(const QString& path, QObject* owner)
{
    return engineSoundFactory(engine)(path, owner);
}

AudibleSpan TestSound::heardAfter(Sound* sound, qint64 fromFrame)
{
    if (!QTest::qWaitFor([&] { return !sound->isPlaying(); }, 10000))
        return {};
    QTest::qWait(300);
    const qint64 endFrame = soundServer->currentFrame();
    if (!QTest::qWaitFor([&] { return soundServer->recording().size() / 4 > endFrame; }, 5000))
        return {};
    return audibleSpan(soundServer->recording(), fromFrame);
}

void TestSound::wholeFileIsHeard_data()
{
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");

    QTest::newRow("1 s, 16-bit stereo at 44.1 kHz") << 1000 << 44100 << 2 << 16;
    QTest::newRow("1 s, 24-bit mono at 48 kHz, resampled by the server") << 1000 << 48000 << 1 << 24;
    QTest::newRow("50 ms, shorter than the stream's buffer") << 50 << 44100 << 2 << 16;
}

void TestSound::wholeFileIsHeard()
{
    QFETCH(int, durationMs);
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    const QString path = files.filePath(QStringLiteral("tone-%1.wav").arg(QTest::currentDataTag()));
    QVERIFY(writeCueFile(path, toneWav(durationMs, sampleRate, channels, bits)));
    QObject owner;
    Sound* sound = makeSound(path, &owner);
    QTest::qWait(100);

    const qint64 playFrame = soundServer->currentFrame();
    sound->play();
    QVERIFY(sound->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!sound->isPlaying(), 5000);
    const qint64 endedFrame = soundServer->currentFrame();
    const AudibleSpan span = heardAfter(sound, playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    qInfo("play() to first sound: %.0f ms; heard for %.1f ms of a %d ms file",
          framesToMs(span.first - playFrame), framesToMs(span.frames()), durationMs);
    QVERIFY2(qAbs(framesToMs(span.frames()) - durationMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));
    QVERIFY2(span.last <= endedFrame, "the sound reported its end before its last sample was played");
    QVERIFY(reports.lines().isEmpty());
}

void TestSound::playFromOffsetIsHeardFromThere()
{
    QObject owner;
    Sound* sound = makeSound(oneSecond, &owner);
    QTest::qWait(100);
    const qint64 playFrame = soundServer->currentFrame();
    sound->playFrom(400);
    const AudibleSpan span = heardAfter(sound, playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    QVERIFY2(qAbs(framesToMs(span.frames()) - 600) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));

    // An offset past the end plays nothing and ends at once.
    const qint64 lateFrame = soundServer->currentFrame();
    sound->playFrom(1500);
    QVERIFY(heardAfter(sound, lateFrame).isEmpty());
}

void TestSound::playRestartsFromBeginning()
{
    QObject owner;
    Sound* sound = makeSound(oneSecond, &owner);
    QTest::qWait(100);

    const qint64 firstPlayFrame = soundServer->currentFrame();
    sound->play();
    QTest::qWait(300);
    const qint64 secondPlayFrame = soundServer->currentFrame();
    sound->play();
    QVERIFY(sound->isPlaying());
    const AudibleSpan span = heardAfter(sound, firstPlayFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    // Restarted, the file runs its whole length again from the second play on.
    const double expectedMs = framesToMs(secondPlayFrame - firstPlayFrame) + 1000;
    QVERIFY2(qAbs(framesToMs(span.frames()) - expectedMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms, expected %2 ms")
                            .arg(framesToMs(span.frames()))
                            .arg(expectedMs)));
}

void TestSound::stopEndsPlayback()
{
    QObject owner;
    Sound* sound = makeSound(oneSecond, &owner);
    QTest::qWait(100);

    const qint64 playFrame = soundServer->currentFrame();
    sound->play();
    QTest::qWait(400);
    const qint64 stopFrame = soundServer->currentFrame();
    sound->stop();
    QVERIFY(!sound->isPlaying());
    QTest::qWait(700);
    const AudibleSpan span = heardAfter(sound, playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    qInfo("stopped %.0f ms after play(); heard until %.0f ms after the stop",
          framesToMs(stopFrame - playFrame), framesToMs(span.last - stopFrame));
    QVERIFY2(
        framesToMs(span.last - stopFrame) <= ToleranceMs + 50,
        qPrintable(QStringLiteral("still heard %1 ms after stop()").arg(framesToMs(span.last - stopFrame))));
}

void TestSound::replacedFileIsHeardAsItIsNow_data()
{
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<bool>("renamedOver");
    QTest::addColumn<int>("writtenMs"); // of the new file's 500 ms that its header announces

    QTest::newRow("written over in place, at another sample rate") << 22050 << false << 500;
    QTest::newRow("a new file renamed over it") << PulseNullSink::SampleRate << true << 500;
    QTest::newRow("caught while it is being written") << PulseNullSink::SampleRate << false << 200;
}

void TestSound::replacedFileIsHeardAsItIsNow()
{
    QFETCH(int, sampleRate);
    QFETCH(bool, renamedOver);
    QFETCH(int, writtenMs);
    constexpr int OldHz = 440;
    constexpr int NewHz = 880;
    const QString path = files.filePath(QStringLiteral("re-exported %1.wav").arg(QTest::currentDataTag()));
    QVERIFY(writeCueFile(path, toneWav(500, PulseNullSink::SampleRate, PulseNullSink::Channels, 16, OldHz)));
    QObject owner;
    Sound* cue = makeSound(path, &owner);
    QTest::qWait(100);
    const auto playAndListen = [&] {
        const qint64 playFrame = soundServer->currentFrame();
        cue->play();
        return heardAfter(cue, playFrame);
    };
    const AudibleSpan before = playAndListen();
    QVERIFY2(!before.isEmpty(), "the sound server received only silence");
    QVERIFY2(qAbs(heardHz(soundServer->recording(), before) - OldHz) < OldHz / 20,
             qPrintable(QStringLiteral("heard %1 Hz").arg(heardHz(soundServer->recording(), before))));

    // The technician exports the cue again under the same name, at another pitch.
    const QByteArray newFile = toneWav(500, sampleRate, PulseNullSink::Channels, 16, NewHz);
    const QByteArray written = newFile.left(44 + sampleRate * writtenMs / 1000 * PulseNullSink::Channels * 2);
    if (renamedOver) {
        const QString part = path + QStringLiteral(".part");
        QVERIFY(writeCueFile(part, written));
        QCOMPARE(std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()), 0);
    } else {
        QVERIFY(writeCueFile(path, written));
    }
    const AudibleSpan after = playAndListen();
    QVERIFY2(!after.isEmpty(), "the replaced file was not heard");
    const double hz = heardHz(soundServer->recording(), after);
    QVERIFY2(qAbs(hz - NewHz) < NewHz / 20, qPrintable(QStringLiteral("heard %1 Hz").arg(hz)));
    QVERIFY2(qAbs(framesToMs(after.frames()) - writtenMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(after.frames()))));
    QVERIFY(reports.matching(path).isEmpty());
}

void TestSound::unplayableFileStaysSilentWithOneLine_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("reason");

    const QString empty = files.filePath(QStringLiteral("empty.wav"));
    const QString text = files.filePath(QStringLiteral("notes.wav"));
    const QString headerOnly = files.filePath(QStringLiteral("header only.wav"));
    QVERIFY(writeCueFile(empty, {}));
    QVERIFY(writeCueFile(text, "These are not the samples you are looking for.\n"));
    QVERIFY(writeCueFile(headerOnly, toneWav(10, 44100, 2, 16).left(44)));

    QTest::newRow("missing file") << files.filePath(QStringLiteral("missing.wav"))
                                  << QStringLiteral("does not exist");
    QTest::newRow("empty file") << empty << QStringLiteral("empty");
    QTest::newRow("text named .wav") << text << QStringLiteral("not a sound file");
    QTest::newRow("folder") << files.path() << QStringLiteral("folder");
    QTest::newRow("wave file without samples") << headerOnly << QStringLiteral("no sound");
}

void TestSound::unplayableFileStaysSilentWithOneLine()
{
    QFETCH(QString, fileName);
    QFETCH(QString, reason);
    const QString line = QStringLiteral("sound: cannot play \"%1\": ").arg(fileName);
    const qint64 before = reports.matching(line).size();

    QObject owner;
    Sound* sound = makeSound(fileName, &owner);
    QCOMPARE(sound->fileName(), fileName);
    QCOMPARE(sound->parent(), &owner);
    QVERIFY(reports.waitFor(line));
    const qint64 playFrame = soundServer->currentFrame();
    for (int round = 0; round < 2; ++round) {
        sound->play();
        QTRY_VERIFY(!sound->isPlaying());
    }
    sound->stop();
    QVERIFY(!sound->isPlaying());
    QVERIFY(heardAfter(sound, playFrame).isEmpty());
    const QStringList lines = reports.matching(line);
    QCOMPARE(lines.size(), before + 1);
    QVERIFY2(lines.last().contains(reason), qPrintable(lines.last()));
}

void TestSound::noSoundServerLeavesCuesSilent()
{
    ReportLines noServerReports;
    auto lonelyEngine = std::make_shared<SoundEngine>(
        SoundEngineOptions{"unix:" + QFile::encodeName(files.filePath(QStringLiteral("no-server-here"))),
                           noServerReports.writer()});
    QObject owner;
    Sound* first = engineSoundFactory(lonelyEngine)(oneSecond, &owner);
    Sound* second = engineSoundFactory(lonelyEngine)(oneSecond, &owner);
    QVERIFY(noServerReports.waitFor(QStringLiteral("sound: no sound server (")));
    for (Sound* sound : {first, second, first}) {
        sound->play();
        QTRY_VERIFY(!sound->isPlaying());
    }
    // Retried every second, told once.
    QTest::qWait(1500);
    QCOMPARE(noServerReports.lines().size(), 1);
    QVERIFY2(
        noServerReports.lines().first().endsWith(QStringLiteral("cues stay silent until one is running")),
        qPrintable(noServerReports.lines().first()));
}

void TestSound::nextCuePlaysAfterServerRestart()
{
    const QString long3s = files.filePath(QStringLiteral("three seconds.wav"));
    QVERIFY(writeCueFile(long3s, toneWav(3000, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)));
    QObject owner;
    Sound* cue = makeSound(long3s, &owner);
    Sound* nextCue = makeSound(oneSecond, &owner);
    QTest::qWait(100);
    cue->play();
    QTest::qWait(300);
    QVERIFY(cue->isPlaying());

    soundServer->kill();
    QVERIFY(reports.waitFor(QStringLiteral("sound: lost the sound server (")));
    QTRY_VERIFY(!cue->isPlaying());
    nextCue->play(); // no server: silent, at once
    QTRY_VERIFY(!nextCue->isPlaying());

    QVERIFY2(soundServer->start() && soundServer->startRecording(), qPrintable(soundServer->errorString()));
    QVERIFY(reports.waitFor(QStringLiteral("sound: the sound server is back; cues play again")));
    const qint64 playFrame = soundServer->currentFrame();
    nextCue->play();
    const AudibleSpan span = heardAfter(nextCue, playFrame);
    QVERIFY2(!span.isEmpty(), "the cue after the restart was not heard");
    QVERIFY2(qAbs(framesToMs(span.frames()) - 1000) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));
    QCOMPARE(reports.matching(QStringLiteral("sound server")).size(), 2);
}

QTEST_GUILESS_MAIN(TestSound)
#include "tst_sound.moc"
