#include "enginesound.h"

#include "soundengine.h"

#include <utility>

EngineSound::EngineSound(std::shared_ptr<SoundEngine> soundEngine, const QString& fileName, QObject* parent)
    : Sound(fileName, parent), engine(std::move(soundEngine)),
      playing(std::make_shared<std::atomic<quint64>>(0))
{
    voice = engine->load(fileName, playing);
}

EngineSound::~EngineSound()
{
    engine->unload(voice);
}

void EngineSound::playFrom(qint64 offsetMs)
{
    const quint64 play = ++plays;
    playing->store(play);
    engine->play(voice, offsetMs, play);
}

void EngineSound::stop()
{
    // Nothing to tell the engine when no play is under way; the cue check stops all nine
    // sounds before every cue.
    if (playing->exchange(0) != 0)
        engine->stop(voice);
}

bool EngineSound::isPlaying() const
{
    return playing->load() != 0;
}

SoundFactory engineSoundFactory(std::shared_ptr<SoundEngine> engine)
{
    return [engine = std::move(engine)](const QString& fileName, QObject* parent) -> Sound* {
        return new EngineSound(engine, fileName, parent);
    };
}
