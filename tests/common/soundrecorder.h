#pragma once

#include "platform/sound.h"

#include <QStringList>

#include <functional>
#include <memory>

// Hands out a sound factory whose sounds only log what happens to them, so that a test can read
// which files were made, played, stopped and deleted, in order. The log outlives the recorder
// for sounds that outlive it.
class SoundRecorder
{
public:
    SoundRecorder();

    SoundFactory factory() const;
    // Runs at every play() of the recorder's sounds, made after this call: a benchmark notes there
    // when a cue started.
    void setPlayObserver(std::function<void()> observer) { playObserver = std::move(observer); }
    // The length that the recorder's sounds, made after this call, say their files have.
    void setLengthMs(qint64 ms) { lengthMs = ms; }

    // The lines logged so far: "create <file>", "play <file>", "stop <file>", "delete <file>".
    QStringList events() const;
    // The events so far, leaving the log empty for the next step of a test.
    QStringList takeEvents();

private:
    std::shared_ptr<QStringList> log;
    std::function<void()> playObserver;
    qint64 lengthMs = -1;
};
