#include "soundrecorder.h"

#include "recordingsound.h"

#include <utility>

SoundRecorder::SoundRecorder() : log(std::make_shared<QStringList>()) {}

SoundFactory SoundRecorder::factory() const
{
    return [log = log](const QString& fileName, QObject* parent) -> Sound* {
        return new RecordingSound(fileName, parent, log);
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
