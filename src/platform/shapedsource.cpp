#include "shapedsource.h"

#include <QtGlobal>

#include <cmath>
#include <utility>

ShapedSource::ShapedSource(std::unique_ptr<AudioFileReader> reader, double levelDb, int fadeInMs)
    : file(std::move(reader)), level(float(std::pow(10.0, levelDb / 20))),
      fadeInFrames(qint64(qMax(fadeInMs, 0)) * file->sampleRate() / 1000)
{}

double ShapedSource::fadeInGain(qint64 frame) const
{
    if (frame >= fadeInFrames)
        return fadeInCap;
    return qMin(fadeInCap, std::sin(M_PI / 2 * double(qMax<qint64>(frame, 0)) / double(fadeInFrames)));
}

void ShapedSource::holdFadeInAt(qint64 frame)
{
    fadeInCap = fadeInGain(frame);
    readBeforeHold = framesRead;
}

double ShapedSource::heldCorrection(qint64 frame) const
{
    if (frame >= readBeforeHold || frame >= fadeInFrames || fadeInCap >= 1)
        return 1;
    const double written = std::sin(M_PI / 2 * double(qMax<qint64>(frame, 0)) / double(fadeInFrames));
    return written > fadeInCap ? fadeInCap / written : 1;
}

qint64 ShapedSource::read(float* samples, qint64 maxFrames)
{
    const qint64 got = file->read(samples, maxFrames);
    if (got <= 0)
        return got;
    const int channels = file->channels();
    if (framesRead >= fadeInFrames && fadeInCap >= 1) {
        if (level != 1.0f) {
            for (qint64 i = 0; i < got * channels; ++i)
                samples[i] *= level;
        }
    } else {
        for (qint64 frame = 0; frame < got; ++frame) {
            const float gain = level * float(fadeInGain(framesRead + frame));
            for (int channel = 0; channel < channels; ++channel)
                samples[frame * channels + channel] *= gain;
        }
    }
    framesRead += got;
    return got;
}

ShapedSource::Fill ShapedSource::fill(pa_stream* stream, size_t bytes)
{
    const size_t frameBytes = size_t(file->channels()) * sizeof(float);
    while (bytes >= frameBytes) {
        void* data = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
            return Fill::Failed;
        const qint64 wanted = qint64(qMin(size, bytes) / frameBytes);
        const qint64 got = wanted > 0 ? read(static_cast<float*>(data), wanted) : 0;
        if (got <= 0) {
            pa_stream_cancel_write(stream);
            return Fill::Ended;
        }
        pa_stream_write(stream, data, size_t(got) * frameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= size_t(got) * frameBytes;
    }
    return Fill::More;
}
