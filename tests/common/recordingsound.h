#pragma once

#include "platform/sound.h"

#include <QStringList>

#include <functional>
#include <memory>

// A sound that plays nothing and writes what is done to it into a shared event log:
// "create <file>", "play <file>", "stop <file>" and, from its destructor, "delete <file>".
// Made by SoundRecorder::factory().
class RecordingSound : public Sound
{
    Q_OBJECT

public:
    // onPlay, when given, runs first thing in play(): the moment the cue would start to sound.
    RecordingSound(const QString& fileName, QObject* parent, std::shared_ptr<QStringList> log,
                   std::function<void()> onPlay = {});
    ~RecordingSound() override;

    void playFrom(qint64 offsetMs) override;
    void stop() override;
    bool isPlaying() const override;

private:
    void record(const char* event);

    std::shared_ptr<QStringList> log;
    std::function<void()> onPlay;
    bool playing = false;
};
