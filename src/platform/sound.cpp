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

void Sound::stopCue()
{
    if (soundShape.fadeOutMs > 0)
        fadeOut(soundShape.fadeOutMs);
    else
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

OutputLister systemOutputLister()
{
    return [](std::function<void(const QList<SoundOutput>&)> answer) {
        SoundEngine::shared()->listOutputs(std::move(answer));
    };
}
