#include "recordingsound.h"

#include <utility>

RecordingSound::RecordingSound(const QString& fileName, QObject* parent, std::shared_ptr<QStringList> log,
                               std::function<void()> onPlay)
    : Sound(fileName, parent), log(std::move(log)), onPlay(std::move(onPlay))
{
    record("create");
}

RecordingSound::~RecordingSound()
{
    record("delete");
}

void RecordingSound::play()
{
    if (onPlay)
        onPlay();
    playing = true;
    record("play");
}

void RecordingSound::stop()
{
    playing = false;
    record("stop");
}

bool RecordingSound::isPlaying() const
{
    return playing;
}

void RecordingSound::record(const char* event)
{
    log->append(QLatin1String(event) + QLatin1Char(' ') + fileName());
}
