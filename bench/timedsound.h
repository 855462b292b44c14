#pragma once

#include "platform/sound.h"
#include "playlog.h"

#include <memory>

// A sound that plays nothing and notes in a PlayLog when play() was called, so that a benchmark
// can measure how long a cue takes to start without an audio device.
class TimedSound : public Sound
{
    Q_OBJECT

public:
    TimedSound(const QString& fileName, QObject* parent, std::shared_ptr<PlayLog> log);

    static SoundFactory factory(std::shared_ptr<PlayLog> log);

    void playFrom(qint64 offsetMs) override;
    void stop() override;
    bool isPlaying() const override;

private:
    std::shared_ptr<PlayLog> log;
    bool playing = false;
};
