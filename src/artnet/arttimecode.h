#pragma once

#include <QtGlobal>

// The five timecode bytes of an ArtTimeCode packet, in wire order.
struct ArtTimecode
{
    quint8 frames = 0;
    quint8 seconds = 0;
    quint8 minutes = 0;
    quint8 hours = 0;
    quint8 type = 0; // 0 film (24), 1 EBU (25), 2 drop frame (29.97), 3 SMPTE (30)

    friend bool operator==(const ArtTimecode& a, const ArtTimecode& b)
    {
        return a.frames == b.frames && a.seconds == b.seconds && a.minutes == b.minutes &&
               a.hours == b.hours && a.type == b.type;
    }
    friend bool operator!=(const ArtTimecode& a, const ArtTimecode& b) { return !(a == b); }
};
