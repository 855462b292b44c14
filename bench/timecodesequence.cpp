#include "timecodesequence.h"

namespace {

constexpr qint64 FramesPerSecond = 30;
constexpr qint64 FramesPerMinute = FramesPerSecond * 60;
constexpr qint64 FramesPerHour = FramesPerMinute * 60;
constexpr qint64 FirstHour = 1;
constexpr quint8 SmpteType = 3; // 30 frames/s

} // namespace

ArtTimecode timecodeForFrame(qint64 frame)
{
    const qint64 clock = frame + FirstHour * FramesPerHour;
    ArtTimecode timecode;
    timecode.frames = quint8(clock % FramesPerSecond);
    timecode.seconds = quint8(clock / FramesPerSecond % 60);
    timecode.minutes = quint8(clock / FramesPerMinute % 60);
    timecode.hours = quint8(clock / FramesPerHour % 24);
    timecode.type = SmpteType;
    return timecode;
}

std::optional<qint64> frameForTimecode(const ArtTimecode& timecode)
{
    if (timecode.type != SmpteType || timecode.frames >= FramesPerSecond || timecode.seconds >= 60 ||
        timecode.minutes >= 60 || timecode.hours < FirstHour || timecode.hours >= 24)
        return std::nullopt;
    return (timecode.hours - FirstHour) * FramesPerHour + timecode.minutes * FramesPerMinute +
           timecode.seconds * FramesPerSecond + timecode.frames;
}
