#include "enginesound.h"

#include "soundengine.h"

#include <utility>

EngineSound::EngineSound(std::shared_ptr<SoundEngine> soundEngine, const QString& fileName, QObject* parent)
    : Sound(fileName, parent), engine(std::move(soundEngine)), state(std::make_shared<VoiceState>())
{
    voice = engine->load(fileName, state);
}

EngineSound::~EngineSound()
{
    engine->unload(voice);
}

void EngineSound::playFrom(qint64 offsetMs)
{
    const quint64 play = ++plays;
    state->playing.store(play);
    engine->play(voice, offsetMs, play, shape());
}

void EngineSound::stop()
{
    // Nothing to tell the engine when no play is under way; the cue check stops all nine
    // sounds before every cue.
    if (state->playing.exchange(0) != 0)
        engine->stop(voice, 0);
}

void EngineSound::fadeOut(int ms)
{
    if (state->playing.exchange(0) != 0)
        engine->stop(voice, ms);
}

bool EngineSound::isPlaying() const
{
    return state->playing.load() != 0;
}

qint64 EngineSound::lengthMs() const
{
    return state->lengthMs.load();
}

SoundFactory engineSoundFactory(std::shared_ptr<SoundEngine> engine)
{
    return [engine = std::move(engine)](const QString& fileName, QObject* parent) -> Sound* {
        return new EngineSound(engine, fileName, parent);
    };
}
