#include "soundrecorder.h"

#include "recordingsound.h"

#include <utility>

SoundRecorder::SoundRecorder() : log(std::make_shared<QStringList>()) {}

SoundFactory SoundRecorder::factory() const
{
    // The observer as it is now: the factory must not read the recorder after it is gone.
    return [log = log, observer = playObserver, length = lengthMs](const QString& fileName,
                                                                   QObject* parent) -> Sound* {
        return new RecordingSound(fileName, parent, log, observer, length);
    };
}

QStringList SoundRecorder::events() const
{
    return *log;
}

QStringList SoundRecorder::takeEvents()
{
    return std::exchange(*log, {});
}
