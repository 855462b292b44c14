#pragma once

#include <QString>

// What a cue's file is good for, as the settings dialog checks it before the show.
enum class CueFileState
{
    NoFile,     // the slot has no path
    Missing,    // nothing exists at the path
    Unreadable, // it exists, but this user may not read it
    NotSound,   // it can be read, but it is a folder or no sound file the cues can play: silent
    Playable,   // a readable sound file: WAV, AIFF, FLAC, Ogg, MP3
};

// Looks at the path on disk: a stat and, for a readable regular file, its header, read by the
// same decoder that plays the cue, so that what the dialog calls playable is what the show plays.
CueFileState cueFileState(const QString& path);
