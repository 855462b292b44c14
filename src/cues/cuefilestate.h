#pragma once

#include <QString>

// What a cue's file is good for, as the settings dialog checks it before the show.
enum class CueFileState
{
    NoFile,     // the slot has no path
    Missing,    // nothing exists at the path
    Unreadable, // it exists, but this user may not read it
    NotWave,    // it can be read, but it is a folder or not a RIFF/WAVE file, so it would stay silent
    Playable,   // a readable wave file
};

// Looks at the path on disk: a stat and, for a readable file, its first twelve bytes.
CueFileState cueFileState(const QString& path);
