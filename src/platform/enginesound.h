#pragma once

#include "sound.h"

#include <atomic>
#include <memory>

class SoundEngine;

// A cue file played through the program's sound engine. Every call hands the work to the engine's
// thread and returns at once; the file is opened there, in the background, when the object is made.
class EngineSound : public Sound
{
    Q_OBJECT

public:
    EngineSound(std::shared_ptr<SoundEngine> engine, const QString& fileName, QObject* parent);
    ~EngineSound() override;

    void playFrom(qint64 offsetMs) override;
    void stop() override;
    bool isPlaying() const override;

private:
    std::shared_ptr<SoundEngine> engine;
    // The number of the play() in progress, 0 when none; the engine clears it at the end.
    std::shared_ptr<std::atomic<quint64>> playing;
    quint64 voice = 0;
    quint64 plays = 0;
};

// Sounds that all play through the given engine.
SoundFactory engineSoundFactory(std::shared_ptr<SoundEngine> engine);
