#include "audiosinksound.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>

#include <utility>

namespace {

// How much audio the output stream holds ahead of what is heard. The stream is fed from the GUI
// thread, so this is how long the GUI may stall before the sound breaks up.
constexpr qint64 StreamBufferMicroseconds = 250'000;

// Extra time to keep the stream open after its buffer should have drained, for the latency of the
// device behind the sound server (a Bluetooth headset adds a few hundred milliseconds). Closing a
// stream throws away whatever it still holds; keeping it open a little longer costs nothing.
constexpr qint64 DrainMarginMicroseconds = 500'000;

std::optional<WavAudio> loadWav(const QString& fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readWav(file.readAll());
}

} // namespace

AudioSinkSound::AudioSinkSound(const QString& fileName, QObject* parent)
    : Sound(fileName, parent), audio(loadWav(fileName))
{
    drainTimer.setSingleShot(true);
    connect(&drainTimer, &QTimer::timeout, this, &AudioSinkSound::releaseSink);
}

AudioSinkSound::~AudioSinkSound()
{
    releaseSink();
}

void AudioSinkSound::playFrom(qint64 offsetMs)
{
    releaseSink();
    if (!audio || audio->samples.isEmpty())
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    const WavAudio& playable = playableOn(device);
    // Whole frames only, so that the first sample heard is the left channel of a frame.
    const qint64 skipped = playable.format.bytesForDuration(qMax<qint64>(0, offsetMs) * 1000);
    if (skipped >= playable.samples.size())
        return;

    // Each play gets a stream of its own: a restart then cannot meet state changes of the stream
    // it replaces, and a change of the default output is followed at the next play.
    sink = new QAudioSink(device, playable.format);
    sink->setBufferSize(playable.format.bytesForDuration(StreamBufferMicroseconds));
    source = new QBuffer(sink);
    source->setData(playable.samples);
    source->open(QIODevice::ReadOnly);
    source->seek(skipped);
    sink->start(source);
    if (sink->state() == QAudio::StoppedState) {
        releaseSink();
        return;
    }
    connect(sink, &QAudioSink::stateChanged, this, &AudioSinkSound::handleSinkState);
}

void AudioSinkSound::stop()
{
    releaseSink();
}

bool AudioSinkSound::isPlaying() const
{
    return sink != nullptr;
}

const WavAudio& AudioSinkSound::playableOn(const QAudioDevice& device)
{
    if (device.isFormatSupported(audio->format))
        return *audio;
    if (!audioAsInt16)
        audioAsInt16 = toInt16(*audio);
    return *audioAsInt16;
}

void AudioSinkSound::handleSinkState(QAudio::State state)
{
    switch (state) {
    case QAudio::IdleState:
        // Idle means the last bytes went to the sound server, not that they have been heard:
        // the stream still holds up to a buffer's worth, and stopping it now would cut the end
        // of the file off. It is closed once that has had time to play.
        if (source && source->atEnd() && !drainTimer.isActive()) {
            const qint64 buffered =
                qMax(StreamBufferMicroseconds, sink->format().durationForBytes(sink->bufferSize()));
            drainTimer.start(int((buffered + DrainMarginMicroseconds) / 1000));
        }
        break;
    case QAudio::StoppedState:
        // The output went away under us (the sound server ended, the device vanished).
        releaseSink();
        break;
    case QAudio::ActiveState:
    case QAudio::SuspendedState:
        break;
    }
}

void AudioSinkSound::releaseSink()
{
    drainTimer.stop();
    if (!sink)
        return;
    QAudioSink* old = std::exchange(sink, nullptr);
    source = nullptr;
    old->disconnect(this);
    old->stop();
    // Qt's PulseAudio output runs the event loop while it is destroyed; deleting it from the
    // event loop keeps that from happening inside a caller's slot.
    old->deleteLater();
}
