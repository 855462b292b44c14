#pragma once

#include "soundoutput.h"
#include "soundshape.h"

#include <QList>

#include <QObject>
#include <QString>

#include <functional>

// One sound file, ready to be played from its beginning or a point in it, and stopped. A file that
// is missing or cannot be played still makes a sound object; it stays silent, and the sound
// output says why in one line on standard output.
class Sound : public QObject
{
    Q_OBJECT

public:
    Sound(const QString& fileName, QObject* parent);

    QString fileName() const;

    // Starts the file from its beginning, also when it is already playing; returns at once.
    void play() { playFrom(0); }
    // Starts the file offsetMs milliseconds into it, also when it is already playing, so that a
    // cue that fires late stays in step with the show; returns at once.
    virtual void playFrom(qint64 offsetMs) = 0;
    // Ends the playback at once; does nothing when nothing plays.
    virtual void stop() = 0;
    // Ends the playback with a fade to silence over ms milliseconds, so that a cue stopped in the
    // middle ends without a click; returns at once, and the sound counts as stopped from then on.
    virtual void fadeOut(int ms);
    // The cue's level, fades and output, taken by the plays that come after.
    void setShape(const SoundShape& cueShape) { soundShape = cueShape; }
    const SoundShape& shape() const { return soundShape; }
    // Ends the playback as the cue's shape says: faded out over its fade out, cut without one.
    void stopCue();
    // The file's length in milliseconds once the sound output has opened it; -1 before that, and
    // for a file that cannot be played.
    virtual qint64 lengthMs() const;
    // True from play() until the file has been heard to its end or stopped.
    virtual bool isPlaying() const;

private:
    QString path;
    SoundShape soundShape;
};

// How an owner makes its sounds: the system's real output, or a test's recording stand-in.
using SoundFactory = std::function<Sound*(const QString& fileName, QObject* parent)>;

// Asks the sound output for the outputs it has now; answer comes later, on any thread, with none
// when there is no sound server. The asker never waits for the server.
using OutputLister = std::function<void(std::function<void(const QList<SoundOutput>&)> answer)>;
OutputLister systemOutputLister();

// Sounds that play through the system's default audio output, on the one sound engine that the
// program's sounds share.
SoundFactory systemSoundFactory();
