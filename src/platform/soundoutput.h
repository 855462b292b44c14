#pragma once

#include <QString>

// One output of the sound server as the technician picks it: the name that is stored with the
// cue, and the description the server shows for it ("Built-in Audio Analog Stereo").
struct SoundOutput
{
    QString name;
    QString description;
};
