#pragma once

#include <QString>
#include <QtGlobal>

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

// What a check of a cue's file found: its state and, for a playable file, its length as its
// header tells it (-1 when unknown). Made from a bare state, as a check that only looks at the
// state answers.
struct CueFileAnswer
{
    CueFileAnswer(CueFileState fileState = CueFileState::NoFile, qint64 length = -1)
        : state(fileState), lengthMs(length)
    {}

    CueFileState state;
    qint64 lengthMs;
};

// cueFileState, and the length of a playable file from the same opening of it.
CueFileAnswer cueFileAnswer(const QString& path);
