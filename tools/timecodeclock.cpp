#include "timecodeclock.h"

#include "artnet/timecodeframes.h"

ArtTimecode nextFrame(ArtTimecode timecode)
{
    if (++timecode.frames < TimecodeFrames::framesPerSecond(timecode.type))
        return timecode;
    timecode.frames = 0;
    if (++timecode.seconds < 60)
        return timecode;
    timecode.seconds = 0;
    if (++timecode.minutes >= 60) {
        timecode.minutes = 0;
        timecode.hours = quint8((timecode.hours + 1) % 24);
    }
    if (TimecodeFrames::isDropFrame(timecode.type) && timecode.minutes % 10 != 0)
        timecode.frames = 2;
    return timecode;
}
