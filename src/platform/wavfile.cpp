#include "wavfile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Format tags of the "fmt " chunk; the extensible header carries the real tag in the first two
// bytes of its sub-format GUID.
constexpr quint16 FormatPcm = 0x0001;
constexpr quint16 FormatFloat = 0x0003;
constexpr quint16 FormatExtensible = 0xFFFE;

constexpr qsizetype RiffHeaderSize = 12;
constexpr qsizetype ChunkHeaderSize = 8;
constexpr qsizetype PlainFormatSize = 16;
constexpr qsizetype ExtensibleFormatSize = 40;
constexpr qsizetype SubFormatOffset = 24;

// The fourteen bytes that follow the tag in every KSDATAFORMAT_SUBTYPE_* GUID of the audio
// sub-formats.
constexpr char SubFormatGuidTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";

// Outputs take up to eight channels in the usual speaker layouts; past that, no channel map fits.
constexpr int MaxChannels = 8;
constexpr int MinSampleRate = 1000;
constexpr int MaxSampleRate = 384000;

quint16 readLittleEndian16(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.data() + offset);
}

quint32 readLittleEndian32(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.data() + offset);
}

bool hasId(QByteArrayView bytes, qsizetype offset, const char (&id)[5])
{
    return bytes.sliced(offset, 4) == QByteArrayView(id, 4);
}

struct FormatChunk
{
    quint16 tag = 0;
    int channels = 0;
    int sampleRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
};

std::optional<FormatChunk> readFormatChunk(QByteArrayView body)
{
    if (body.size() < PlainFormatSize)
        return std::nullopt;
    FormatChunk format;
    format.tag = readLittleEndian16(body, 0);
    format.channels = readLittleEndian16(body, 2);
    const quint32 sampleRate = readLittleEndian32(body, 4);
    format.blockAlign = readLittleEndian16(body, 12);
    format.bitsPerSample = readLittleEndian16(body, 14);
    if (sampleRate < MinSampleRate || sampleRate > MaxSampleRate)
        return std::nullopt;
    format.sampleRate = int(sampleRate);
    if (format.tag == FormatExtensible) {
        if (body.size() < ExtensibleFormatSize)
            return std::nullopt;
        if (body.sliced(SubFormatOffset + 2, 14) != QByteArrayView(SubFormatGuidTail, 14))
            return std::nullopt;
        format.tag = readLittleEndian16(body, SubFormatOffset);
    }
    return format;
}

std::optional<QAudioFormat::SampleFormat> sampleFormatOf(const FormatChunk& format)
{
    if (format.tag == FormatPcm) {
        switch (format.bitsPerSample) {
        case 8:
            return QAudioFormat::UInt8;
        case 16:
            return QAudioFormat::Int16;
        case 24:
        case 32:
            return QAudioFormat::Int32;
        }
    } else if (format.tag == FormatFloat && format.bitsPerSample == 32) {
        return QAudioFormat::Float;
    }
    return std::nullopt;
}

// Little-endian packed samples to host-order samples of the output format. The 24-bit samples
// go to the top of a 32-bit integer so that full scale stays full scale.
QByteArray hostOrderSamples(QByteArrayView data, int bitsPerSample)
{
    if (bitsPerSample == 8)
        return data.toByteArray();
    if (bitsPerSample == 24) {
        const qsizetype count = data.size() / 3;
        QByteArray samples(count * 4, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i) {
            const auto* in = reinterpret_cast<const uchar*>(data.data() + 3 * i);
            const quint32 value = (quint32(in[0]) << 8) | (quint32(in[1]) << 16) | (quint32(in[2]) << 24);
            std::memcpy(samples.data() + 4 * i, &value, 4);
        }
        return samples;
    }
    QByteArray samples = data.toByteArray();
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        const int width = bitsPerSample / 8;
        for (qsizetype i = 0; i + width <= samples.size(); i += width)
            std::reverse(samples.begin() + i, samples.begin() + i + width);
    }
    return samples;
}

} // namespace

std::optional<WavAudio> readWav(QByteArrayView bytes)
{
    if (bytes.size() < RiffHeaderSize || !hasId(bytes, 0, "RIFF") || !hasId(bytes, 8, "WAVE"))
        return std::nullopt;

    // The RIFF size is not trusted: writers that stream leave it 0 or 0xFFFFFFFF. The chunks run
    // to the end of what is there.
    std::optional<FormatChunk> format;
    std::optional<QByteArrayView> data;
    qsizetype offset = RiffHeaderSize;
    while (bytes.size() - offset >= ChunkHeaderSize && !(format && data)) {
        const quint32 declaredSize = readLittleEndian32(bytes, offset + 4);
        const qsizetype bodyOffset = offset + ChunkHeaderSize;
        const qsizetype available = bytes.size() - bodyOffset;
        const qsizetype bodySize = qsizetype(std::min<quint64>(declaredSize, quint64(available)));
        const QByteArrayView body = bytes.sliced(bodyOffset, bodySize);
        if (hasId(bytes, offset, "fmt ") && !format) {
            format = readFormatChunk(body);
            if (!format)
                return std::nullopt;
        } else if (hasId(bytes, offset, "data") && !data) {
            data = body;
        }
        // Chunks are padded to an even length; the pad byte is not counted in the size.
        const quint64 next = quint64(bodyOffset) + declaredSize + (declaredSize & 1);
        if (next > quint64(bytes.size()))
            break;
        offset = qsizetype(next);
    }
    if (!format || !data)
        return std::nullopt;

    const std::optional<QAudioFormat::SampleFormat> sampleFormat = sampleFormatOf(*format);
    if (!sampleFormat || format->channels < 1 || format->channels > MaxChannels)
        return std::nullopt;
    const int bytesPerFrame = format->channels * format->bitsPerSample / 8;
    if (format->blockAlign != bytesPerFrame)
        return std::nullopt;

    WavAudio audio;
    audio.format.setSampleRate(format->sampleRate);
    audio.format.setChannelCount(format->channels);
    audio.format.setSampleFormat(*sampleFormat);
    const qsizetype wholeFrames = data->size() / bytesPerFrame;
    audio.samples = hostOrderSamples(data->first(wholeFrames * bytesPerFrame), format->bitsPerSample);
    return audio;
}

WavAudio toInt16(const WavAudio& audio)
{
    WavAudio converted;
    converted.format = audio.format;
    converted.format.setSampleFormat(QAudioFormat::Int16);
    const int inWidth = audio.format.bytesPerSample();
    if (inWidth <= 0)
        return converted;
    const qsizetype count = audio.samples.size() / inWidth;
    converted.samples = QByteArray(count * 2, Qt::Uninitialized);
    const char* in = audio.samples.constData();
    for (qsizetype i = 0; i < count; ++i, in += inWidth) {
        qint16 value = 0;
        switch (audio.format.sampleFormat()) {
        case QAudioFormat::UInt8:
            value = qint16((int(quint8(*in)) - 128) * 256);
            break;
        case QAudioFormat::Int16:
            std::memcpy(&value, in, 2);
            break;
        case QAudioFormat::Int32: {
            qint32 wide;
            std::memcpy(&wide, in, 4);
            value = qint16(wide >> 16);
            break;
        }
        case QAudioFormat::Float: {
            float real;
            std::memcpy(&real, in, 4);
            // NaN compares false both ways and ends up as silence.
            const float clipped = real >= 1.0f ? 1.0f : real <= -1.0f ? -1.0f : real == real ? real : 0.0f;
            value = qint16(std::lround(clipped * 32767.0f));
            break;
        }
        default:
            break;
        }
        std::memcpy(converted.samples.data() + 2 * i, &value, 2);
    }
    return converted;
}
