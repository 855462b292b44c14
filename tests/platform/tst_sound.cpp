// Wave files as the sound output reads them, and the real output played into a private sound
// server: files that cannot play stay silent, and a file that can is heard whole, restarts from
// its beginning on every play and ends on stop.
#include "platform/audiosinksound.h"
#include "platform/sound.h"
#include "platform/wavfile.h"
#include "pulsenullsink.h"
#include "tonewav.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <memory>
#include <optional>

using namespace ToneWav;

namespace {

constexpr quint16 Pcm = 1;
constexpr quint16 Float = 3;
constexpr quint16 Extensible = 0xFFFE;

// A chunk with its header, padded to even length; the declared size may lie.
QByteArray chunk(const char* id, const QByteArray& body, std::optional<quint32> declaredSize = {})
{
    QByteArray bytes = QByteArray(id, 4) + le32(declaredSize.value_or(quint32(body.size()))) + body;
    if (!declaredSize && body.size() % 2)
        bytes += '\0';
    return bytes;
}

QByteArray formatBody(quint16 tag, quint16 channels, quint32 sampleRate, quint16 bits,
                      std::optional<quint16> blockAlign = {})
{
    const quint16 align = blockAlign.value_or(quint16(channels * bits / 8));
    return le16(tag) + le16(channels) + le32(sampleRate) + le32(sampleRate * align) + le16(align) +
           le16(bits);
}

QByteArray subFormatGuid(quint16 tag)
{
    return le16(tag) + QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
}

QByteArray extensibleBody(quint16 channels, quint32 sampleRate, quint16 bits, const QByteArray& guid)
{
    return formatBody(Extensible, channels, sampleRate, bits) + le16(22) + le16(bits) + le32(0x3) + guid;
}

QByteArray riff(const QByteArray& chunks, const char* form = "WAVE")
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + QByteArray(form, 4) + chunks;
}

// Samples in the host's order, as readWav hands them out.
template <typename Sample>
QByteArray hostSamples(std::initializer_list<Sample> values)
{
    return QByteArray(reinterpret_cast<const char*>(values.begin()),
                      qsizetype(values.size() * sizeof(Sample)));
}

QByteArray samples16(std::initializer_list<qint16> values)
{
    return hostSamples(values);
}

QByteArray samples32(std::initializer_list<qint32> values)
{
    return hostSamples(values);
}

QByteArray samplesFloat(std::initializer_list<float> values)
{
    return hostSamples(values);
}

// Little-endian file bytes of 16-bit samples.
QByteArray fileSamples16(std::initializer_list<qint16> values)
{
    QByteArray bytes;
    for (qint16 value : values)
        bytes += le16(quint16(value));
    return bytes;
}

constexpr int ToleranceMs = 30;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

qint64 msToFrames(int ms)
{
    return qint64(ms) * PulseNullSink::SampleRate / 1000;
}

} // namespace

class TestSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void readWav_data();
    void readWav();
    void toInt16_data();
    void toInt16();

    void unplayableFileStaysSilent_data();
    void unplayableFileStaysSilent();

    void wholeFileIsHeard_data();
    void wholeFileIsHeard();
    void playRestartsFromBeginning();
    void stopEndsPlayback();

private:
    QTemporaryDir files;
    std::unique_ptr<PulseNullSink> soundServer;
    bool soundServerRunning = false;
    QString wavPath;
};

void TestSound::initTestCase()
{
    QVERIFY(files.isValid());
    wavPath = files.filePath(QStringLiteral("tone.wav"));
    QVERIFY(writeFile(wavPath, toneWav(1000, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)));

    // Before anything of Qt Multimedia runs, so that Qt finds this server.
    soundServer = std::make_unique<PulseNullSink>();
    soundServerRunning = soundServer->start() && soundServer->startRecording();
}

void TestSound::cleanupTestCase()
{
    soundServer.reset();
}

void TestSound::readWav_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("sampleFormat");
    QTest::addColumn<QByteArray>("samples");

    const QByteArray stereo16 = fileSamples16({1, -1, 32767, -32768});
    const QByteArray fmt16 = chunk("fmt ", formatBody(Pcm, 2, 44100, 16));

    QTest::newRow("16-bit stereo 44.1 kHz") << riff(fmt16 + chunk("data", stereo16)) << true << 44100 << 2
                                            << int(QAudioFormat::Int16) << samples16({1, -1, 32767, -32768});
    QTest::newRow("8-bit mono 8 kHz stays unsigned")
        << riff(chunk("fmt ", formatBody(Pcm, 1, 8000, 8)) + chunk("data", QByteArray("\x00\x80\xFF", 3)))
        << true << 8000 << 1 << int(QAudioFormat::UInt8) << QByteArray("\x00\x80\xFF", 3);
    QTest::newRow("24-bit widened to the top of 32 bits")
        << riff(chunk("fmt ", formatBody(Pcm, 1, 48000, 24)) +
                chunk("data", QByteArray("\x01\x02\x03\xFF\xFF\x7F\x00\x00\x80", 9)))
        << true << 48000 << 1 << int(QAudioFormat::Int32)
        << samples32({0x03020100, 0x7FFFFF00, qint32(0x80000000)});
    QTest::newRow("32-bit integer") << riff(chunk("fmt ", formatBody(Pcm, 1, 48000, 32)) +
                                            chunk("data", le32(0x12345678) + le32(0xFFFFFFFF)))
                                    << true << 48000 << 1 << int(QAudioFormat::Int32)
                                    << samples32({0x12345678, -1});
    QTest::newRow("32-bit float") << riff(chunk("fmt ", formatBody(Float, 1, 44100, 32)) +
                                          chunk("data", samplesFloat({0.5f, -1.0f})))
                                  << true << 44100 << 1 << int(QAudioFormat::Float)
                                  << samplesFloat({0.5f, -1.0f});
    QTest::newRow("extensible 16-bit PCM")
        << riff(chunk("fmt ", extensibleBody(2, 48000, 16, subFormatGuid(Pcm))) + chunk("data", stereo16))
        << true << 48000 << 2 << int(QAudioFormat::Int16) << samples16({1, -1, 32767, -32768});
    QTest::newRow("extensible float")
        << riff(chunk("fmt ", extensibleBody(1, 96000, 32, subFormatGuid(Float))) +
                chunk("data", samplesFloat({0.25f})))
        << true << 96000 << 1 << int(QAudioFormat::Float) << samplesFloat({0.25f});
    QTest::newRow("odd-size chunk before data is skipped with its pad byte")
        << riff(fmt16 + chunk("LIST", "abc") + chunk("data", stereo16)) << true << 44100 << 2
        << int(QAudioFormat::Int16) << samples16({1, -1, 32767, -32768});
    QTest::newRow("data chunk before format chunk")
        << riff(chunk("data", stereo16) + fmt16) << true << 44100 << 2 << int(QAudioFormat::Int16)
        << samples16({1, -1, 32767, -32768});
    QTest::newRow("truncated data chunk keeps whole frames")
        << riff(fmt16 + chunk("data", stereo16 + fileSamples16({5}), 400)) << true << 44100 << 2
        << int(QAudioFormat::Int16) << samples16({1, -1, 32767, -32768});
    QTest::newRow("data size larger than the file, as streaming writers leave it")
        << riff(fmt16 + chunk("data", stereo16, 0xFFFFFFFF)) << true << 44100 << 2 << int(QAudioFormat::Int16)
        << samples16({1, -1, 32767, -32768});
    QTest::newRow("empty data chunk")
        << riff(fmt16 + chunk("data", {})) << true << 44100 << 2 << int(QAudioFormat::Int16) << QByteArray();

    const auto reject = [](const char* name, const QByteArray& file) {
        QTest::newRow(name) << file << false << 0 << 0 << 0 << QByteArray();
    };
    reject("empty file", {});
    reject("RIFF header alone", riff({}));
    reject("not RIFF", "RIFX" + riff(fmt16 + chunk("data", stereo16)).mid(4));
    reject("RIFF but not WAVE", riff(fmt16 + chunk("data", stereo16), "AVI "));
    reject("format chunk missing", riff(chunk("data", stereo16)));
    reject("data chunk missing", riff(fmt16 + chunk("LIST", "info")));
    reject("format chunk shorter than 16 bytes",
           riff(chunk("fmt ", formatBody(Pcm, 2, 44100, 16).left(14)) + chunk("data", stereo16)));
    reject("format chunk cut by the end of the file",
           riff(chunk("fmt ", formatBody(Pcm, 2, 44100, 16)).left(20)));
    reject("chunk size that runs past the end hides the data",
           riff(fmt16 + chunk("LIST", "ab", 0xFFFFFFFE) + chunk("data", stereo16)));
    reject("zero channels", riff(chunk("fmt ", formatBody(Pcm, 0, 44100, 16, 4)) + chunk("data", stereo16)));
    reject("nine channels", riff(chunk("fmt ", formatBody(Pcm, 9, 44100, 16)) + chunk("data", stereo16)));
    reject("huge sample rate",
           riff(chunk("fmt ", formatBody(Pcm, 2, 0xFFFFFFFF, 16)) + chunk("data", stereo16)));
    reject("zero sample rate", riff(chunk("fmt ", formatBody(Pcm, 2, 0, 16)) + chunk("data", stereo16)));
    reject("12-bit PCM", riff(chunk("fmt ", formatBody(Pcm, 1, 44100, 12, 2)) + chunk("data", stereo16)));
    reject("64-bit float", riff(chunk("fmt ", formatBody(Float, 1, 44100, 64)) + chunk("data", stereo16)));
    reject("A-law", riff(chunk("fmt ", formatBody(6, 1, 8000, 8)) + chunk("data", stereo16)));
    reject("block align that disagrees with the sample size",
           riff(chunk("fmt ", formatBody(Pcm, 2, 44100, 16, 6)) + chunk("data", stereo16)));
    reject(
        "extensible with a foreign sub-format",
        riff(chunk("fmt ", extensibleBody(2, 44100, 16, QByteArray(16, '\x5A'))) + chunk("data", stereo16)));
    reject("extensible header too short",
           riff(chunk("fmt ", extensibleBody(2, 44100, 16, subFormatGuid(Pcm)).left(30)) +
                chunk("data", stereo16)));
}

void TestSound::readWav()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, readable);

    const std::optional<WavAudio> audio = ::readWav(file);
    QCOMPARE(audio.has_value(), readable);
    if (!readable)
        return;
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(int, sampleFormat);
    QFETCH(QByteArray, samples);
    QCOMPARE(audio->format.sampleRate(), sampleRate);
    QCOMPARE(audio->format.channelCount(), channels);
    QCOMPARE(int(audio->format.sampleFormat()), sampleFormat);
    QCOMPARE(audio->samples, samples);
}

void TestSound::toInt16_data()
{
    QTest::addColumn<int>("sampleFormat");
    QTest::addColumn<QByteArray>("samples");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("unsigned 8-bit around its middle")
        << int(QAudioFormat::UInt8) << QByteArray("\x00\x80\xFF", 3) << samples16({-32768, 0, 32512});
    QTest::newRow("32-bit keeps its top half")
        << int(QAudioFormat::Int32) << samples32({0x7FFFFF00, qint32(0x80000000), 0x00010000, 0x0000FFFF})
        << samples16({32767, -32768, 1, 0});
    QTest::newRow("float full scale, clipped and NaN")
        << int(QAudioFormat::Float) << samplesFloat({1.0f, -1.0f, 0.5f, 3.0f, -7.0f, std::nanf("")})
        << samples16({32767, -32767, 16384, 32767, -32767, 0});
    QTest::newRow("16-bit unchanged") << int(QAudioFormat::Int16) << samples16({-5, 7}) << samples16({-5, 7});
}

void TestSound::toInt16()
{
    QFETCH(int, sampleFormat);
    QFETCH(QByteArray, samples);
    QFETCH(QByteArray, expected);

    WavAudio audio;
    audio.format.setSampleRate(22050);
    audio.format.setChannelCount(1);
    audio.format.setSampleFormat(QAudioFormat::SampleFormat(sampleFormat));
    audio.samples = samples;
    const WavAudio converted = ::toInt16(audio);
    QCOMPARE(converted.format.sampleFormat(), QAudioFormat::Int16);
    QCOMPARE(converted.format.sampleRate(), 22050);
    QCOMPARE(converted.format.channelCount(), 1);
    QCOMPARE(converted.samples, expected);
}

void TestSound::unplayableFileStaysSilent_data()
{
    QTest::addColumn<QString>("fileName");

    const QString empty = files.filePath(QStringLiteral("empty.wav"));
    const QString text = files.filePath(QStringLiteral("notes.wav"));
    const QString noSamples = files.filePath(QStringLiteral("nosamples.wav"));
    QVERIFY(writeFile(empty, {}));
    QVERIFY(writeFile(text, "These are not the samples you are looking for.\n"));
    QVERIFY(writeFile(noSamples, riff(chunk("fmt ", formatBody(Pcm, 2, 44100, 16)) + chunk("data", {}))));

    QTest::newRow("missing file") << files.filePath(QStringLiteral("missing.wav"));
    QTest::newRow("empty file name") << QString();
    QTest::newRow("empty file") << empty;
    QTest::newRow("text file") << text;
    QTest::newRow("folder") << files.path();
    QTest::newRow("wave file without samples") << noSamples;
}

void TestSound::unplayableFileStaysSilent()
{
    QFETCH(QString, fileName);

    QObject owner;
    Sound* sound = systemSoundFactory()(fileName, &owner);
    QVERIFY(qobject_cast<AudioSinkSound*>(sound));
    QCOMPARE(sound->fileName(), fileName);
    QCOMPARE(sound->parent(), &owner);
    sound->play();
    QVERIFY(!sound->isPlaying());
    sound->play();
    QVERIFY(!sound->isPlaying());
    sound->stop();
    QVERIFY(!sound->isPlaying());
    sound->stop();
}

void TestSound::wholeFileIsHeard_data()
{
    QTest::addColumn<int>("durationMs");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");

    QTest::newRow("1 s, 16-bit stereo at 44.1 kHz") << 1000 << 44100 << 2 << 16;
    QTest::newRow("1 s, 24-bit mono at 48 kHz") << 1000 << 48000 << 1 << 24;
    QTest::newRow("50 ms, shorter than the stream's buffer") << 50 << 44100 << 2 << 16;
}

void TestSound::wholeFileIsHeard()
{
    QFETCH(int, durationMs);
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    if (!soundServerRunning)
        QSKIP(qPrintable(QStringLiteral("No sound server to play into: ") + soundServer->errorString()));
    const QString path = files.filePath(QStringLiteral("tone-%1.wav").arg(QTest::currentDataTag()));
    QVERIFY(writeFile(path, toneWav(durationMs, sampleRate, channels, bits)));
    AudioSinkSound sound(path, nullptr);
    QTest::qWait(200);

    const qint64 playFrame = soundServer->currentFrame();
    sound.play();
    QVERIFY(sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 5000);
    const qint64 idleFrame = soundServer->currentFrame();
    QTest::qWait(300);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);

    const AudibleSpan span = audibleSpan(soundServer->recording(), playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    qInfo("play() to first sound: %.0f ms; heard for %.1f ms of a %d ms file",
          framesToMs(span.first - playFrame), framesToMs(span.frames()), durationMs);
    QVERIFY2(qAbs(framesToMs(span.frames()) - durationMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms").arg(framesToMs(span.frames()))));
    QVERIFY2(span.last <= idleFrame, "the sound reported its end before its last sample was played");
}

void TestSound::playRestartsFromBeginning()
{
    if (!soundServerRunning)
        QSKIP(qPrintable(QStringLiteral("No sound server to play into: ") + soundServer->errorString()));
    AudioSinkSound sound(wavPath, nullptr);
    QTest::qWait(200);

    const qint64 firstPlayFrame = soundServer->currentFrame();
    sound.play();
    QTest::qWait(300);
    const qint64 secondPlayFrame = soundServer->currentFrame();
    sound.play();
    QVERIFY(sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 5000);
    QTest::qWait(300);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);

    // Restarted, the file runs its whole length again from the second play on.
    const AudibleSpan span = audibleSpan(soundServer->recording(), firstPlayFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    const double expectedMs = framesToMs(secondPlayFrame - firstPlayFrame) + 1000;
    QVERIFY2(qAbs(framesToMs(span.frames()) - expectedMs) <= ToleranceMs,
             qPrintable(QStringLiteral("heard for %1 ms, expected %2 ms")
                            .arg(framesToMs(span.frames()))
                            .arg(expectedMs)));
}

void TestSound::stopEndsPlayback()
{
    if (!soundServerRunning)
        QSKIP(qPrintable(QStringLiteral("No sound server to play into: ") + soundServer->errorString()));
    AudioSinkSound sound(wavPath, nullptr);
    QTest::qWait(200);

    const qint64 playFrame = soundServer->currentFrame();
    sound.play();
    QTest::qWait(400);
    const qint64 stopFrame = soundServer->currentFrame();
    sound.stop();
    QVERIFY(!sound.isPlaying());
    QTest::qWait(1000);
    const qint64 endFrame = soundServer->currentFrame();
    QTRY_VERIFY_WITH_TIMEOUT(soundServer->recording().size() / 4 > endFrame, 5000);

    const AudibleSpan span = audibleSpan(soundServer->recording(), playFrame);
    QVERIFY2(!span.isEmpty(), "the sound server received only silence");
    qInfo("stopped %.0f ms after play(); heard until %.0f ms after the stop",
          framesToMs(stopFrame - playFrame), framesToMs(span.last - stopFrame));
    QVERIFY2(
        span.last - stopFrame <= msToFrames(ToleranceMs + 50),
        qPrintable(QStringLiteral("still heard %1 ms after stop()").arg(framesToMs(span.last - stopFrame))));
}

QTEST_GUILESS_MAIN(TestSound)
#include "tst_sound.moc"
