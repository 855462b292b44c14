#include "sound.h"

#include "audiosinksound.h"

Sound::Sound(const QString& fileName, QObject* parent) : QObject(parent), path(fileName) {}

QString Sound::fileName() const
{
    return path;
}

bool Sound::isPlaying() const
{
    return false;
}

SoundFactory systemSoundFactory()
{
    return [](const QString& fileName, QObject* parent) -> Sound* {
        return new AudioSinkSound(fileName, parent);
    };
}
