#pragma once

#include "audiofilereader.h"

#include <pulse/pulseaudio.h>

#include <memory>

// A cue file's samples as the cue plays them: at its level, faded in from silence over its first
// fadeInMs from where the playback starts (also when that is mid-file). Reads on the sound
// engine's thread, into the stream's own buffer, so a level costs no server-wide volume.
class ShapedSource
{
public:
    ShapedSource(std::unique_ptr<AudioFileReader> reader, double levelDb, int fadeInMs);

    AudioFileReader& reader() { return *file; }
    // Frames read since the playback started.
    qint64 position() const { return framesRead; }
    // Up to maxFrames whole frames into samples; 0 at the end of the file.
    qint64 read(float* samples, qint64 maxFrames);
    // A cue stopped while it fades in fades out from where it is: the fade in goes no higher than
    // it was at frame (counted like position()), the one heard when the stop came.
    void holdFadeInAt(qint64 frame);
    // What the samples already written past the held frame must be scaled by to sound as held
    // (they were faded in further); 1 for what is written after the hold.
    double heldCorrection(qint64 frame) const;
    // The gain of the fade in at frame: an equal-power quarter sine, as the fades out are.
    double fadeInGain(qint64 frame) const;

    enum class Fill
    {
        More,
        Ended,
        Failed
    };
    // Writes up to bytes of the source into stream, as the server asked for them.
    Fill fill(pa_stream* stream, size_t bytes);

private:
    std::unique_ptr<AudioFileReader> file;
    float level = 1;
    qint64 fadeInFrames = 0;
    double fadeInCap = 1;
    // Frames read before the hold, written at the fade in's full curve.
    qint64 readBeforeHold = 0;
    qint64 framesRead = 0;
};
