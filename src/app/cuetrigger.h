#pragma once

#include "artnet/arttimecode.h"
#include "cues/audiofileconfig.h"

#include <QList>

#include <array>
#include <optional>

// Decides, tick by tick, which cue a sender's timecode starts.
//
// A console that is paused keeps sending the same timecode, and one frame lasts longer than one
// display tick; so a sender only takes part on a tick where its timecode differs from what the
// previous tick saw of it. Otherwise a sender parked on a cue's first frame would restart the
// file 50 times a second.
class CueTrigger
{
public:
    // The cue slot that timecode starts, or -1. Slots without a sound are never matched.
    static int matchingSlot(const AudioFileConfig& config, const std::array<bool, AudioSlotCount>& hasSound,
                            const ArtTimecode& timecode);

    // True when sender number index shows a timecode other than at the previous call for it;
    // a sender seen for the first time counts as changed.
    bool changed(int index, const ArtTimecode& timecode);

private:
    QList<std::optional<ArtTimecode>> lastSeen;
};
