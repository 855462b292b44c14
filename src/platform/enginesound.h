#pragma once

#include "sound.h"
#include "voicestate.h"

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
    void fadeOut(int ms) override;
    bool isPlaying() const override;
    qint64 lengthMs() const override;

private:
    std::shared_ptr<SoundEngine> engine;
    // What the engine tells of the file: the play() in progress, its length.
    std::shared_ptr<VoiceState> state;
    quint64 voice = 0;
    quint64 plays = 0;
};

// Sounds that all play through the given engine.
SoundFactory engineSoundFactory(std::shared_ptr<SoundEngine> engine);
