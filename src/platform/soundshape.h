#pragma once

#include <QString>

// How a cue sounds beside its file: its level, the fade that brings it in, the fade that takes
// it out when it is stopped, and the sound server's output it plays on. The default is the file
// as it is, cut in and out, on the default output.
struct SoundShape
{
    double levelDb = 0;
    int fadeInMs = 0;
    int fadeOutMs = 0;
    // The sound server's name of the output (a PulseAudio sink); empty: the default output.
    QString output;

    friend bool operator==(const SoundShape& a, const SoundShape& b)
    {
        return a.levelDb == b.levelDb && a.fadeInMs == b.fadeInMs && a.fadeOutMs == b.fadeOutMs &&
               a.output == b.output;
    }
};
