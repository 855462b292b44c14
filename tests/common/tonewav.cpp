#include "tonewav.h"

#include "pulsenullsink.h"

#include <QFile>
#include <QtEndian>

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace ToneWav {

namespace {

constexpr double ToneAmplitude = 0.5;

} // namespace

QByteArray le16(quint16 value)
{
    QByteArray bytes(2, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray toneWav(int durationMs, int sampleRate, int channels, int bits, int hz)
{
    const int frames = sampleRate * durationMs / 1000;
    const int bytesPerSample = bits / 8;
    QByteArray data;
    data.reserve(frames * channels * bytesPerSample);
    for (int i = 0; i < frames; ++i) {
        const double level = ToneAmplitude * std::sin(2 * M_PI * hz * i / sampleRate);
        const auto value = qint32(std::lround(level * ((1 << (bits - 1)) - 1)));
        for (int channel = 0; channel < channels; ++channel)
            data += le32(quint32(value)).left(bytesPerSample);
    }
    const auto align = quint16(channels * bytesPerSample);
    const QByteArray format = le16(1) + le16(quint16(channels)) + le32(quint32(sampleRate)) +
                              le32(quint32(sampleRate) * align) + le16(align) + le16(quint16(bits));
    QByteArray chunks =
        "fmt " + le32(quint32(format.size())) + format + "data" + le32(quint32(data.size())) + data;
    if (data.size() % 2)
        chunks += '\0';
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

bool writeCueFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double toneSample(qint64 frame, int channel, int sampleRate)
{
    return ToneAmplitude * std::sin(2 * M_PI * ToneHz * double(frame) / sampleRate + channel * M_PI / 2);
}

bool writeToneFile(const QString& path, int format, int sampleRate, int channels, qint64 frames)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    if (!sf_format_check(&info))
        return false;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    // A second at a time, so that a ten-minute file never sits in memory whole.
    std::vector<double> samples(size_t(sampleRate * channels));
    bool written = true;
    for (qint64 start = 0; written && start < frames; start += sampleRate) {
        const qint64 count = qMin<qint64>(sampleRate, frames - start);
        for (qint64 frame = 0; frame < count; ++frame) {
            for (int channel = 0; channel < channels; ++channel)
                samples[size_t(frame * channels + channel)] = toneSample(start + frame, channel, sampleRate);
        }
        written = sf_writef_double(file, samples.data(), count) == count;
    }
    return sf_close(file) == 0 && written;
}

AudibleSpan audibleSpan(const QByteArray& recording, qint64 fromFrame)
{
    AudibleSpan span;
    const qint64 frameCount = recording.size() / (2 * PulseNullSink::Channels);
    for (qint64 frame = qMax<qint64>(fromFrame, 0); frame < frameCount; ++frame) {
        for (int channel = 0; channel < PulseNullSink::Channels; ++channel) {
            const auto value = qFromLittleEndian<qint16>(recording.constData() +
                                                         2 * (frame * PulseNullSink::Channels + channel));
            if (qAbs(int(value)) >= AudibleLevel) {
                if (span.first < 0)
                    span.first = frame;
                span.last = frame;
            }
        }
    }
    return span;
}

namespace {

// A place step's two 8-bit digits (23 s of places), each a level well apart from the next, kept
// under half of full scale so that the sound server's sample conversions pass them nearly
// unchanged.
constexpr int PlaceLevel = 64;
constexpr int PlaceDigits = 256;
constexpr int PlaceZero = 8192;

qint16 placeSample(int digit)
{
    return qint16(digit * PlaceLevel - PlaceZero);
}

std::optional<int> placeDigit(qint16 sample)
{
    const int scaled = int(sample) + PlaceZero;
    const int digit = (scaled + PlaceLevel / 2) / PlaceLevel;
    if (digit < 0 || digit >= PlaceDigits || qAbs(scaled - digit * PlaceLevel) > PlaceLevel / 8)
        return std::nullopt;
    return digit;
}

} // namespace

QByteArray placeWav(int durationMs)
{
    const qint64 frames = qint64(PulseNullSink::SampleRate) * durationMs / 1000;
    QByteArray data;
    data.reserve(int(frames * 4));
    for (qint64 frame = 0; frame < frames; ++frame) {
        const qint64 step = frame / PlaceStep;
        data += le16(quint16(placeSample(int(step % PlaceDigits))));
        data += le16(quint16(placeSample(int(step / PlaceDigits % PlaceDigits))));
    }
    const QByteArray format = le16(1) + le16(2) + le32(PulseNullSink::SampleRate) +
                              le32(PulseNullSink::SampleRate * 4) + le16(4) + le16(16);
    const QByteArray chunks =
        "fmt " + le32(quint32(format.size())) + format + "data" + le32(quint32(data.size())) + data;
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

std::optional<qint64> placeHeard(const QByteArray& recording, qint64 frame)
{
    // Two looks a few steps apart must agree: a single sample may be in a fade or a mix.
    std::optional<qint64> places[2];
    for (int look = 0; look < 2; ++look) {
        const qint64 at = frame + look * 4 * PlaceStep;
        if (at < 0 || (at + 1) * 4 > recording.size())
            return std::nullopt;
        const auto low = placeDigit(qFromLittleEndian<qint16>(recording.constData() + at * 4));
        const auto high = placeDigit(qFromLittleEndian<qint16>(recording.constData() + at * 4 + 2));
        if (!low || !high)
            return std::nullopt;
        places[look] = qint64(*high * PlaceDigits + *low) * PlaceStep - look * 4 * PlaceStep;
    }
    if (qAbs(*places[0] - *places[1]) > PlaceStep)
        return std::nullopt;
    return places[0];
}

double framesToMs(qint64 frames)
{
    return frames * 1000.0 / PulseNullSink::SampleRate;
}

double heardHz(const QByteArray& recording, const AudibleSpan& span)
{
    if (span.isEmpty() || span.frames() < 2)
        return 0;
    const auto sample = [&](qint64 frame) {
        return qFromLittleEndian<qint16>(recording.constData() + 2 * frame * PulseNullSink::Channels);
    };
    int crossings = 0;
    for (qint64 frame = span.first + 1; frame <= span.last; ++frame)
        crossings += sample(frame - 1) < 0 && sample(frame) >= 0 ? 1 : 0;
    return crossings * 1000.0 / framesToMs(span.frames());
}

} // namespace ToneWav
