#include "recordingsound.h"

#include <utility>

RecordingSound::RecordingSound(const QString& fileName, QObject* parent, std::shared_ptr<QStringList> log,
                               std::function<void()> onPlay, qint64 lengthMs)
    : Sound(fileName, parent), log(std::move(log)), onPlay(std::move(onPlay)), length(lengthMs)
{
    record("create");
}

RecordingSound::~RecordingSound()
{
    record("delete");
}

void RecordingSound::playFrom(qint64 offsetMs)
{
    if (onPlay)
        onPlay();
    playing = true;
    if (offsetMs == 0)
        record("play");
    else
        log->append(QStringLiteral("play %1 at %2 ms").arg(fileName()).arg(offsetMs));
}

void RecordingSound::stop()
{
    playing = false;
    record("stop");
}

void RecordingSound::fadeOut(int)
{
    playing = false;
    record("fade out");
}

bool RecordingSound::isPlaying() const
{
    return playing;
}

void RecordingSound::record(const char* event)
{
    log->append(QLatin1String(event) + QLatin1Char(' ') + fileName());
}
