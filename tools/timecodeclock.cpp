#include "timecodeclock.h"

int framesPerSecond(quint8 type)
{
    switch (type) {
    case 0:
        return 24;
    case 1:
        return 25;
    default:
        return 30;
    }
}

ArtTimecode nextFrame(ArtTimecode timecode)
{
    if (++timecode.frames < framesPerSecond(timecode.type))
        return timecode;
    timecode.frames = 0;
    if (++timecode.seconds < 60)
        return timecode;
    timecode.seconds = 0;
    if (++timecode.minutes >= 60) {
        timecode.minutes = 0;
        timecode.hours = quint8((timecode.hours + 1) % 24);
    }
    if (timecode.type == 2 && timecode.minutes % 10 != 0)
        timecode.frames = 2;
    return timecode;
}
