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
#include <QPair>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <cstdio>

#include <sndfile.h>

using namespace ToneWav;

namespace {

constexpr int ToleranceMs = 30;

// The gain heard at each frame of a recording of writeToneFile's stereo tone: its channels are a
// quarter turn apart, so their joint size is the tone's level at every frame, averaged here over
// a millisecond.
std::vector<double> heardGain(const QByteArray& recording)
{
    const auto* samples = reinterpret_cast<const qint16*>(recording.constData());
    const qint64 frames = recording.size() / 4;
    std::vector<double> gain(size_t(qMax<qint64>(frames, 0)));
    constexpr int Span = PulseNullSink::SampleRate / 1000;
    double sum = 0;
    std::vector<double> each(gain.size());
    for (qint64 frame = 0; frame < frames; ++frame) {
        const double left = samples[2 * frame] / 32768.0, right = samples[2 * frame + 1] / 32768.0;
        each[size_t(frame)] = std::sqrt(left * left + right * right) / 0.5;
        sum += each[size_t(frame)];
        if (frame >= Span)
            sum -= each[size_t(frame - Span)];
        gain[size_t(frame)] = sum / double(qMin<qint64>(frame + 1, Span));
    }
    return gain;
}

qint64 msToFrames(double ms)
{
    return qint64(ms * PulseNullSink::SampleRate / 1000);
}

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
    void levelIsHeardInDecibels_data();
    void levelIsHeardInDecibels();
    void fadesFollowTheEqualPowerCurve();
    void stopWhileFadingInFadesOutFromThere();
    void cuePlaysOnItsOutput();
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

void TestSound::levelIsHeardInDecibels_data()
{
    QTest::addColumn<double>("levelDb");
    QTest::newRow("-6 dB") << -6.0;
    QTest::newRow("-20.5 dB") << -20.5;
    QTest::newRow("+3 dB") << 3.0;
}

void TestSound::levelIsHeardInDecibels()
{
    QFETCH(double, levelDb);
    const QString path = files.filePath(QStringLiteral("level.wav"));
    QVERIFY(writeToneFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, PulseNullSink::SampleRate, 2, 22050));
    QObject owner;
    Sound* sound = makeSound(path, &owner);
    QTest::qWait(100);
    const auto heardLevel = [&](double db) {
        sound->setShape(SoundShape{db, 0, 0, {}});
        const qint64 playFrame = soundServer->currentFrame();
        sound->play();
        const AudibleSpan span = heardAfter(sound, playFrame);
        const std::vector<double> gain = heardGain(soundServer->recording());
        if (span.isEmpty() || span.frames() < msToFrames(400))
            return -1000.0;
        // The middle of the cue, clear of its first and last milliseconds.
        double sum = 0;
        const qint64 from = span.first + msToFrames(100), to = span.last - msToFrames(100);
        for (qint64 frame = from; frame < to; ++frame)
            sum += gain[size_t(frame)];
        return 20 * std::log10(sum / double(to - from));
    };
    const double full = heardLevel(0);
    const double shaped = heardLevel(levelDb);
    qInfo("0 dB heard at %.2f dBFS of the tone, %.1f dB at %.2f", full, levelDb, shaped);
    QVERIFY2(qAbs(full) < 0.5, qPrintable(QString::number(full)));
    QVERIFY2(qAbs(shaped - full - levelDb) <= 0.5, qPrintable(QString::number(shaped - full)));
}

void TestSound::fadesFollowTheEqualPowerCurve()
{
    constexpr int FadeMs = 500;
    const QString path = files.filePath(QStringLiteral("fades.wav"));
    QVERIFY(writeToneFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, PulseNullSink::SampleRate, 2,
                          msToFrames(3000)));
    QObject owner;
    Sound* sound = makeSound(path, &owner);
    sound->setShape(SoundShape{0, FadeMs, FadeMs, {}});
    QTest::qWait(100);
    const qint64 playFrame = soundServer->currentFrame();
    sound->play();
    QTest::qWait(1200);
    sound->stopCue();
    QVERIFY(!sound->isPlaying());
    QTest::qWait(900);
    const AudibleSpan span = heardAfter(sound, playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    const std::vector<double> gain = heardGain(soundServer->recording());

    // In: a quarter sine from the first sound on.
    for (const double part : {0.25, 0.5, 0.75}) {
        const double heard = gain[size_t(span.first + msToFrames(FadeMs * part))];
        QVERIFY2(qAbs(heard - std::sin(M_PI / 2 * part)) < 0.06,
                 qPrintable(QStringLiteral("%1 of the fade in at gain %2").arg(part).arg(heard)));
    }
    QVERIFY(gain[size_t(span.first + msToFrames(FadeMs + 20))] > 0.97);
    // Out: a quarter cosine from the full level down to silence. The curve leaves the full level
    // slowly: it is first heard under 0.99 a little way into the fade.
    qint64 fadeFrom = span.last;
    while (fadeFrom > span.first && gain[size_t(fadeFrom)] < 0.99)
        --fadeFrom;
    fadeFrom -= msToFrames(FadeMs * std::acos(0.99) / (M_PI / 2));
    const double heardMs = framesToMs(span.last - fadeFrom);
    QVERIFY2(qAbs(heardMs - FadeMs) <= ToleranceMs,
             qPrintable(QStringLiteral("faded out over %1 ms").arg(heardMs)));
    for (const double part : {0.25, 0.5, 0.75}) {
        const double heard = gain[size_t(fadeFrom + msToFrames(FadeMs * part))];
        QVERIFY2(qAbs(heard - std::cos(M_PI / 2 * part)) < 0.08,
                 qPrintable(QStringLiteral("%1 of the fade out at gain %2").arg(part).arg(heard)));
    }
}

void TestSound::stopWhileFadingInFadesOutFromThere()
{
    const QString path = files.filePath(QStringLiteral("slow in.wav"));
    QVERIFY(writeToneFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, PulseNullSink::SampleRate, 2,
                          msToFrames(3000)));
    QObject owner;
    Sound* sound = makeSound(path, &owner);
    sound->setShape(SoundShape{0, 2000, 500, {}});
    QTest::qWait(100);
    const qint64 playFrame = soundServer->currentFrame();
    sound->play();
    QTest::qWait(500);
    sound->stopCue();
    QTest::qWait(800);
    const AudibleSpan span = heardAfter(sound, playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    const std::vector<double> gain = heardGain(soundServer->recording());
    // The level climbs until the stop is heard and never above it after: the peak is where the
    // fade out began, and the sound ends about a fade out later.
    const auto peak = std::max_element(gain.begin() + span.first, gain.begin() + span.last);
    const qint64 peakFrame = peak - gain.begin();
    qInfo("peak %.2f at %.0f ms, silent %.0f ms later", *peak, framesToMs(peakFrame - span.first),
          framesToMs(span.last - peakFrame));
    QVERIFY2(*peak < std::sin(M_PI / 2 * 700 / 2000), qPrintable(QString::number(*peak)));
    QVERIFY2(qAbs(framesToMs(span.last - peakFrame) - 500) <= 60,
             qPrintable(QString::number(framesToMs(span.last - peakFrame))));
}

void TestSound::cuePlaysOnItsOutput()
{
    QVERIFY2(soundServer->startRecording(PulseNullSink::SecondSink), qPrintable(soundServer->errorString()));
    QObject owner;
    Sound* sound = makeSound(oneSecond, &owner);
    QTest::qWait(100);
    const auto heardOn = [&](const QString& output) {
        sound->setShape(SoundShape{0, 0, 0, output});
        const qint64 firstFrom = soundServer->recording().size() / 4;
        const qint64 secondFrom = soundServer->recording(PulseNullSink::SecondSink).size() / 4;
        sound->play();
        heardAfter(sound, firstFrom);
        QTest::qWait(200);
        return QPair<bool, bool>(
            !audibleSpan(soundServer->recording(), firstFrom).isEmpty(),
            !audibleSpan(soundServer->recording(PulseNullSink::SecondSink), secondFrom).isEmpty());
    };
    QCOMPARE(heardOn(PulseNullSink::SecondSink), qMakePair(false, true));
    // An output that is not there (unplugged): the default output, said once.
    QCOMPARE(heardOn(QStringLiteral("unplugged_usb_interface")), qMakePair(true, false));
    QCOMPARE(heardOn(QStringLiteral("unplugged_usb_interface")), qMakePair(true, false));
    QCOMPARE(reports.matching(QStringLiteral("\"unplugged_usb_interface\" is not there")).size(), 1);
    QCOMPARE(heardOn(QString()), qMakePair(true, false));
    QCOMPARE(reports.matching(QStringLiteral("is not there")).size(), 1);
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
