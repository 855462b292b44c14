#include "sound.h"

#include "enginesound.h"
#include "soundengine.h"

Sound::Sound(const QString& fileName, QObject* parent) : QObject(parent), path(fileName) {}

QString Sound::fileName() const
{
    return path;
}

bool Sound::isPlaying() const
{
    return false;
}

void Sound::fadeOut(int)
{
    stop();
}

qint64 Sound::lengthMs() const
{
    return -1;
}

SoundFactory systemSoundFactory()
{
    return engineSoundFactory(SoundEngine::shared());
}
