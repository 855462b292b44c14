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
    QString line = QStringLiteral("play ") + fileName();
    if (offsetMs != 0)
        line += QStringLiteral(" at %1 ms").arg(offsetMs);
    // A cue with no level, fades or output of its own is played as cues always were.
    if (!(shape() == SoundShape()))
        line += QStringLiteral(" (%1 dB, in %2 ms, on \"%3\")")
                    .arg(shape().levelDb)
                    .arg(shape().fadeInMs)
                    .arg(shape().output);
    log->append(line);
}

void RecordingSound::stop()
{
    playing = false;
    record("stop");
}

void RecordingSound::fadeOut(int ms)
{
    playing = false;
    if (shape().fadeOutMs > 0)
        log->append(QStringLiteral("fade out %1 over %2 ms").arg(fileName()).arg(ms));
    else
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
