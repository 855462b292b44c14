#pragma once

#include "platform/soundshape.h"

#include <QString>
#include <QtGlobal>

constexpr int AudioSlotCount = 9;

// The nine audio cues: slot i plays file[i] when the received timecode reaches
// hour[i]:minute[i]:seconds[i]:frame[i], at levelDb[i], faded in over fadeInMs[i] and out over
// fadeOutMs[i], on the sound server's output named output[i] (empty: the default output). An empty file means
// the slot has no cue; its time is kept all the same. The times are not range-checked here: the dialog limits
// what the user types, and values read from the store are taken as they come.
struct AudioFileConfig
{
    quint16 hour[AudioSlotCount] = {};
    quint16 minute[AudioSlotCount] = {};
    quint16 seconds[AudioSlotCount] = {};
    quint16 frame[AudioSlotCount] = {};
    QString file[AudioSlotCount];
    double levelDb[AudioSlotCount] = {};
    int fadeInMs[AudioSlotCount] = {};
    int fadeOutMs[AudioSlotCount] = {};
    QString output[AudioSlotCount];
    // Cues follow timecode as a media server chases it (located into, moved, stopped with the
    // show) instead of starting when the show runs across their start and playing to their end.
    bool followTimecode = false;
    // The sound server's name of the input that carries LTC (a PulseAudio source); empty: none.
    QString ltcInput;

    friend bool operator==(const AudioFileConfig& a, const AudioFileConfig& b);
    friend bool operator!=(const AudioFileConfig& a, const AudioFileConfig& b) { return !(a == b); }
};

// Slot's level, fades and output, as its sound plays them.
SoundShape cueSoundShape(const AudioFileConfig& config, int slot);

// Reads the nine slots from the settings store. A key that is missing keeps the field's current
// value; a number that is not an integer reads as 0. Does nothing for a null config.
void LoadAudioConfig(AudioFileConfig* config);

// The range of a cue's level: from all but silent to as loud as a quiet file needs.
constexpr double MinCueLevelDb = -60;
constexpr double MaxCueLevelDb = 12;
// The longest fade a cue takes; a longer one in the store reads as none.
constexpr int MaxCueFadeMs = 60000;

// What became of a write to the settings store, for the technician: the store's file, and why it
// could not be written there (a read-only folder, a full disk); an empty reason means it was.
struct StoreWrite
{
    QString fileName;
    QString problem;

    bool stored() const { return problem.isEmpty(); }
};

// Writes all 36 cue keys, empty slots included, and "FollowTimecode", "LtcInput", a slot's frame,
// level, fades and output only when they are not the default (a store that never used them stays
// as it was, and an older Velmora reads the cues it knows); says whether they reached the disk.
// Does nothing for a null config.
StoreWrite SaveAudioConfig(const AudioFileConfig* config);

// Empties every path, sets every time to 00:00:00:00, every level, fade and output to the default
// and follow mode off, in memory only. Does nothing for a
// null config.
void ClearAudioConfig(AudioFileConfig* config);

// Wipes the program's whole settings store: the cue keys, "UseLcd" and anything else in it; says
// whether the emptied store reached the disk.
StoreWrite RemoveAllSettings();
