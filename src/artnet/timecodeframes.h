#pragma once

#include "arttimecode.h"

#include <optional>

// Timecode as a count of frames since 00:00:00:00 at the sender's own rate: the one measure by
// which the program tells how far apart two timecodes are, and whether one is before another.
//
// Drop frame (type 2) counts the SMPTE way: 30 labels a second, but the labels 00 and 01 of the
// first second of every minute not divisible by ten do not exist, so 00:00:59:29 is followed by
// 00:01:00:02 and the count keeps step with 29.97 frames of real time. A label that drop frame
// skips counts as the first frame after it, the place where that time is reached.
//
// A count runs from 0 to framesPerDay() - 1; after 23:59:59 a clock starts again at 0.
class TimecodeFrames
{
public:
    // Frames in one second's labels: 24, 25, 30 (drop frame has 30 labels a second too). A type
    // Art-Net does not know is counted as 30 frames a second without dropping.
    static int framesPerSecond(quint8 type);
    static bool isDropFrame(quint8 type) { return type == 2; }
    static qint64 framesPerDay(quint8 type);

    // The count of a timecode; nothing for one outside a clock (hours from 24, minutes or
    // seconds from 60, frames from framesPerSecond).
    static std::optional<qint64> count(const ArtTimecode& timecode);
    static std::optional<qint64> count(int hours, int minutes, int seconds, int frames, quint8 type);

    // How long the given number of frames lasts at the rate of type, rounded to milliseconds.
    static qint64 milliseconds(qint64 frames, quint8 type);
    // The whole frames at the rate of type that fit into ms milliseconds (ms >= 0).
    static qint64 frames(qint64 ms, quint8 type);
};
