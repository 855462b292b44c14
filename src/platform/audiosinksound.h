#pragma once

#include "sound.h"
#include "wavfile.h"

#include <QAudio>
#include <QTimer>

#include <optional>

class QAudioDevice;
class QAudioSink;
class QBuffer;

// A wave file played through the system's default audio output. The file is read and decoded
// when the object is made, so that playFrom() only has to open an output stream.
class AudioSinkSound : public Sound
{
    Q_OBJECT

public:
    AudioSinkSound(const QString& fileName, QObject* parent);
    ~AudioSinkSound() override;

    void playFrom(qint64 offsetMs) override;
    void stop() override;
    bool isPlaying() const override;

private:
    const WavAudio& playableOn(const QAudioDevice& device);
    void handleSinkState(QAudio::State state);
    void releaseSink();

    std::optional<WavAudio> audio;
    // Made on first need, for an output that does not take the file's own sample format.
    std::optional<WavAudio> audioAsInt16;
    QAudioSink* sink = nullptr;
    QBuffer* source = nullptr;
    QTimer drainTimer;
};
