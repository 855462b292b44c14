#pragma once

#include "platform/sound.h"

#include <QStringList>

#include <functional>
#include <memory>

// A sound that plays nothing and writes what is done to it into a shared event log:
// "create <file>", "play <file>" (or "play <file> at <ms> ms"), "stop <file>", "fade out <file>"
// and, from its destructor, "delete <file>". It tells the length it was made with.
// Made by SoundRecorder::factory().
class RecordingSound : public Sound
{
    Q_OBJECT

public:
    // onPlay, when given, runs first thing in play(): the moment the cue would start to sound.
    RecordingSound(const QString& fileName, QObject* parent, std::shared_ptr<QStringList> log,
                   std::function<void()> onPlay = {}, qint64 lengthMs = -1);
    ~RecordingSound() override;

    void playFrom(qint64 offsetMs) override;
    void stop() override;
    void fadeOut(int ms) override;
    bool isPlaying() const override;
    qint64 lengthMs() const override { return length; }

private:
    void record(const char* event);

    std::shared_ptr<QStringList> log;
    std::function<void()> onPlay;
    bool playing = false;
    qint64 length = -1;
};
