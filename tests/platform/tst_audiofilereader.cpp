// Cue files as the sound output decodes them: every format a technician is likely to bring, read
// back to the samples that were written; offsets into the file; and files that cannot be played,
// each refused with a reason.
#include "platform/audiofilereader.h"
#include "tonewav.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <vector>

using namespace ToneWav;

namespace {

std::vector<float> readAll(AudioFileReader& reader)
{
    std::vector<float> all;
    std::vector<float> block(size_t(1000 * reader.channels()));
    while (qint64 got = reader.read(block.data(), 1000))
        all.insert(all.end(), block.begin(), block.begin() + got * reader.channels());
    return all;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAudioFileReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFormat_data();
    void decodesFormat();
    void readsFromMemoryAsFromDisk();
    void startsAtOffset_data();
    void startsAtOffset();
    void refusesWithReason_data();
    void refusesWithReason();
    void floatFileNeverYieldsNaN();

private:
    QTemporaryDir files;
};

void TestAudioFileReader::initTestCase()
{
    QVERIFY(files.isValid());
}

void TestAudioFileReader::decodesFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    // Largest difference from the written signal; negative for lossy codecs, where only the
    // level of the tone is compared.
    QTest::addColumn<double>("tolerance");

    QTest::newRow("WAV 8-bit") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 22050 << 1 << 1.0 / 64;
    QTest::newRow("WAV 16-bit stereo") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 2 << 1e-4;
    QTest::newRow("WAV 24-bit") << (SF_FORMAT_WAV | SF_FORMAT_PCM_24) << 48000 << 2 << 1e-6;
    QTest::newRow("WAV 32-bit") << (SF_FORMAT_WAV | SF_FORMAT_PCM_32) << 96000 << 1 << 1e-6;
    QTest::newRow("WAV float") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 48000 << 2 << 1e-7;
    QTest::newRow("WAV double") << (SF_FORMAT_WAV | SF_FORMAT_DOUBLE) << 48000 << 1 << 1e-7;
    QTest::newRow("WAVE_FORMAT_EXTENSIBLE 24-bit, 6 channels")
        << (SF_FORMAT_WAVEX | SF_FORMAT_PCM_24) << 48000 << 6 << 1e-6;
    QTest::newRow("RF64 16-bit") << (SF_FORMAT_RF64 | SF_FORMAT_PCM_16) << 48000 << 2 << 1e-4;
    QTest::newRow("WAV A-law") << (SF_FORMAT_WAV | SF_FORMAT_ALAW) << 8000 << 1 << 0.02;
    QTest::newRow("WAV mu-law") << (SF_FORMAT_WAV | SF_FORMAT_ULAW) << 8000 << 1 << 0.02;
    QTest::newRow("WAV IMA ADPCM") << (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 22050 << 1 << 0.1;
    QTest::newRow("WAV MS ADPCM") << (SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM) << 22050 << 2 << 0.1;
    QTest::newRow("AIFF 16-bit") << (SF_FORMAT_AIFF | SF_FORMAT_PCM_16) << 44100 << 2 << 1e-4;
    QTest::newRow("FLAC 24-bit") << (SF_FORMAT_FLAC | SF_FORMAT_PCM_24) << 48000 << 2 << 1e-6;
    QTest::newRow("Ogg Vorbis") << (SF_FORMAT_OGG | SF_FORMAT_VORBIS) << 44100 << 2 << -1.0;
    QTest::newRow("Ogg Opus") << (SF_FORMAT_OGG | SF_FORMAT_OPUS) << 48000 << 2 << -1.0;
    QTest::newRow("MP3") << (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) << 44100 << 2 << -1.0;
}

void TestAudioFileReader::decodesFormat()
{
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(double, tolerance);
    const qint64 frames = rate; // one second
    const QString path = files.filePath(QStringLiteral("%1.snd").arg(QTest::currentDataTag()));
    QVERIFY2(writeToneFile(path, format, rate, channels, frames), sf_strerror(nullptr));

    AudioFileReader reader;
    QVERIFY2(reader.open(path), qPrintable(reader.errorString()));
    QCOMPARE(reader.sampleRate(), rate);
    QCOMPARE(reader.channels(), channels);
    const std::vector<float> samples = readAll(reader);
    const qint64 framesRead = qint64(samples.size()) / channels;
    if (tolerance >= 0) {
        // ADPCM fills its last block with silence; nothing else may add or lose a frame.
        const bool blockCodec = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_IMA_ADPCM ||
                                (format & SF_FORMAT_SUBMASK) == SF_FORMAT_MS_ADPCM;
        if (blockCodec)
            QVERIFY2(framesRead >= frames && framesRead < frames + 1024,
                     qPrintable(QString::number(framesRead)));
        else
            QCOMPARE(framesRead, frames);
        // ADPCM's step size starts small and needs a few milliseconds to reach the tone's level.
        const qint64 settled = blockCodec ? rate / 50 : 0;
        double worst = 0;
        for (qint64 frame = settled; frame < frames; ++frame) {
            for (int channel = 0; channel < channels; ++channel)
                worst = qMax(worst, std::abs(samples[size_t(frame * channels + channel)] -
                                             toneSample(frame, channel, rate)));
        }
        QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("off by %1").arg(worst)));
    } else {
        // Encoders add a little before and after; the tone keeps its level.
        QVERIFY2(qAbs(framesRead - frames) < frames / 10, qPrintable(QString::number(framesRead)));
        double energy = 0;
        for (float sample : samples)
            energy += double(sample) * sample;
        const double rms = std::sqrt(energy / double(samples.size()));
        QVERIFY2(qAbs(rms - 0.5 / std::sqrt(2.0)) < 0.05, qPrintable(QString::number(rms)));
    }
    QCOMPARE(reader.read(nullptr, 0), 0);
}

void TestAudioFileReader::readsFromMemoryAsFromDisk()
{
    const QString path = files.filePath(QStringLiteral("memory.flac"));
    QVERIFY(writeToneFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 4410));
    AudioFileReader fromDisk;
    AudioFileReader fromMemory;
    QVERIFY(fromDisk.open(path));
    QVERIFY2(fromMemory.openBytes(readFile(path)), qPrintable(fromMemory.errorString()));
    QCOMPARE(fromMemory.frames(), fromDisk.frames());
    QVERIFY(fromMemory.seekMs(50));
    QVERIFY(fromDisk.seekMs(50));
    QCOMPARE(readAll(fromMemory), readAll(fromDisk));
}

void TestAudioFileReader::startsAtOffset_data()
{
    QTest::addColumn<qint64>("offsetMs");
    QTest::addColumn<qint64>("firstFrame"); // -1: nothing left to read

    QTest::newRow("from the beginning") << qint64(0) << qint64(0);
    QTest::newRow("250 ms in") << qint64(250) << qint64(2000);
    QTest::newRow("a negative offset starts at the beginning") << qint64(-40) << qint64(0);
    QTest::newRow("last millisecond") << qint64(999) << qint64(7992);
    QTest::newRow("past the end") << qint64(5000) << qint64(-1);
}

void TestAudioFileReader::startsAtOffset()
{
    QFETCH(qint64, offsetMs);
    QFETCH(qint64, firstFrame);
    // Every sample holds its own frame number, so the first one read says where reading began.
    QByteArray samples;
    for (int frame = 0; frame < 8000; ++frame)
        samples += le16(quint16(frame));
    const QByteArray format = le16(1) + le16(1) + le32(8000) + le32(16000) + le16(2) + le16(16);
    const QString path = files.filePath(QStringLiteral("numbered.wav"));
    QVERIFY(writeCueFile(path, "RIFF" + le32(quint32(36 + samples.size())) + "WAVE" + "fmt " + le32(16) +
                                   format + "data" + le32(quint32(samples.size())) + samples));

    AudioFileReader reader;
    QVERIFY(reader.open(path));
    // Twice, as a cue played again from another place does.
    for (int round = 0; round < 2; ++round) {
        QVERIFY(reader.seekMs(offsetMs));
        float sample = -1;
        const qint64 got = reader.read(&sample, 1);
        if (firstFrame < 0) {
            QCOMPARE(got, 0);
        } else {
            QCOMPARE(got, 1);
            QCOMPARE(qRound(sample * 32768), int(firstFrame));
        }
        QVERIFY(reader.seekMs(0));
    }
}

void TestAudioFileReader::refusesWithReason_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("reason");

    const QByteArray tone = toneWav(100, 44100, 2, 16);
    const QString headerOnly = files.filePath(QStringLiteral("header only.wav"));
    QVERIFY(writeCueFile(headerOnly, tone.left(44)));
    const QString text = files.filePath(QStringLiteral("notes.wav"));
    QVERIFY(writeCueFile(text, "These are the lighting notes for act two, not a sound file.\n"));
    const QString empty = files.filePath(QStringLiteral("empty.wav"));
    QVERIFY(writeCueFile(empty, {}));
    // A data chunk that claims 4 GB in a file that holds a header alone.
    const QString claims4GB = files.filePath(QStringLiteral("claims 4 GB.wav"));
    QVERIFY(writeCueFile(claims4GB, tone.left(40) + le32(0xFFFFFFF0)));
    const QString flac = files.filePath(QStringLiteral("whole.flac"));
    QVERIFY(writeToneFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 44100));
    const QString truncatedFlac = files.filePath(QStringLiteral("truncated.flac"));
    QVERIFY(writeCueFile(truncatedFlac, readFile(flac).left(60)));

    QTest::newRow("missing file") << files.filePath(QStringLiteral("missing.wav"))
                                  << QStringLiteral("does not exist");
    QTest::newRow("no file name") << QString() << QStringLiteral("does not exist");
    QTest::newRow("folder") << files.path() << QStringLiteral("folder");
    QTest::newRow("empty file") << empty << QStringLiteral("empty");
    QTest::newRow("text named .wav") << text << QStringLiteral("not a sound file");
    QTest::newRow("WAV header without samples") << headerOnly << QStringLiteral("no sound");
    QTest::newRow("WAV header claiming 4 GB, no samples") << claims4GB << QStringLiteral("no sound");
    QTest::newRow("FLAC cut inside its header") << truncatedFlac << QString();
}

void TestAudioFileReader::refusesWithReason()
{
    QFETCH(QString, fileName);
    QFETCH(QString, reason);
    AudioFileReader reader;
    QVERIFY(!reader.open(fileName));
    QVERIFY(!reader.isOpen());
    QVERIFY(!reader.errorString().isEmpty());
    QVERIFY2(reader.errorString().contains(reason, Qt::CaseInsensitive), qPrintable(reader.errorString()));
    float sample = 0;
    QCOMPARE(reader.read(&sample, 1), 0);
    QVERIFY(!reader.seekMs(0));
}

void TestAudioFileReader::floatFileNeverYieldsNaN()
{
    QByteArray samples;
    for (quint32 bits : {0x3F000000u, 0x7FC00000u, 0x7F800000u, 0xFF800000u, 0xBF000000u})
        samples += le32(bits); // 0.5, NaN, +inf, -inf, -0.5
    const QByteArray format = le16(3) + le16(1) + le32(8000) + le32(32000) + le16(4) + le16(32);
    AudioFileReader reader;
    QVERIFY(reader.openBytes("RIFF" + le32(quint32(36 + samples.size())) + "WAVE" + "fmt " + le32(16) +
                             format + "data" + le32(quint32(samples.size())) + samples));
    float read[5] = {};
    QCOMPARE(reader.read(read, 5), 5);
    QCOMPARE(read[0], 0.5f);
    QCOMPARE(read[1], 0.0f);
    QCOMPARE(read[2], 0.0f);
    QCOMPARE(read[3], 0.0f);
    QCOMPARE(read[4], -0.5f);
}

QTEST_GUILESS_MAIN(TestAudioFileReader)
#include "tst_audiofilereader.moc"
