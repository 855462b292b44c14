#include "timedsound.h"

#include "steadyclock.h"

#include <utility>

TimedSound::TimedSound(const QString& fileName, QObject* parent, std::shared_ptr<PlayLog> log)
    : Sound(fileName, parent), log(std::move(log))
{}

SoundFactory TimedSound::factory(std::shared_ptr<PlayLog> log)
{
    return [log = std::move(log)](const QString& fileName, QObject* parent) -> Sound* {
        return new TimedSound(fileName, parent, log);
    };
}

void TimedSound::playFrom(qint64)
{
    // The time first: it is the moment the cue would start to sound.
    log->record(steadyNs());
    playing = true;
}

void TimedSound::stop()
{
    playing = false;
}

bool TimedSound::isPlaying() const
{
    return playing;
}
