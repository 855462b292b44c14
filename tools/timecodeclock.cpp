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

namespace {

constexpr quint8 SmpteType = 3;
constexpr qint64 SmpteFramesPerSecond = 30;
constexpr qint64 FramesPerMinute = SmpteFramesPerSecond * 60;
constexpr qint64 FramesPerHour = FramesPerMinute * 60;

} // namespace

ArtTimecode timecodeAtFrame(qint64 frame)
{
    ArtTimecode timecode;
    timecode.frames = quint8(frame % SmpteFramesPerSecond);
    timecode.seconds = quint8(frame / SmpteFramesPerSecond % 60);
    timecode.minutes = quint8(frame / FramesPerMinute % 60);
    timecode.hours = quint8(frame / FramesPerHour % 24);
    timecode.type = SmpteType;
    return timecode;
}

std::optional<qint64> frameOfTimecode(const ArtTimecode& timecode)
{
    if (timecode.type != SmpteType || timecode.frames >= SmpteFramesPerSecond || timecode.seconds >= 60 ||
        timecode.minutes >= 60 || timecode.hours >= 24)
        return std::nullopt;
    return timecode.hours * FramesPerHour + timecode.minutes * FramesPerMinute +
           timecode.seconds * SmpteFramesPerSecond + timecode.frames;
}
