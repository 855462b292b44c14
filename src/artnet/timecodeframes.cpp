#include "timecodeframes.h"

namespace {

constexpr int DroppedPerMinute = 2;

} // namespace

int TimecodeFrames::framesPerSecond(quint8 type)
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

qint64 TimecodeFrames::framesPerDay(quint8 type)
{
    const qint64 labels = qint64(24) * 3600 * framesPerSecond(type);
    if (!isDropFrame(type))
        return labels;
    // Nine minutes of every ten drop their first two labels.
    return labels - qint64(24) * 54 * DroppedPerMinute;
}

std::optional<qint64> TimecodeFrames::count(const ArtTimecode& timecode)
{
    return count(timecode.hours, timecode.minutes, timecode.seconds, timecode.frames, timecode.type);
}

std::optional<qint64> TimecodeFrames::count(int hours, int minutes, int seconds, int frames, quint8 type)
{
    const int rate = framesPerSecond(type);
    if (hours < 0 || hours >= 24 || minutes < 0 || minutes >= 60 || seconds < 0 || seconds >= 60 ||
        frames < 0 || frames >= rate)
        return std::nullopt;
    const qint64 totalMinutes = qint64(hours) * 60 + minutes;
    qint64 labels = (totalMinutes * 60 + seconds) * rate + frames;
    if (!isDropFrame(type))
        return labels;
    const bool minuteDrops = minutes % 10 != 0;
    if (minuteDrops && seconds == 0 && frames < DroppedPerMinute)
        labels += DroppedPerMinute - frames;
    return labels - DroppedPerMinute * (totalMinutes - totalMinutes / 10);
}

qint64 TimecodeFrames::milliseconds(qint64 frames, quint8 type)
{
    // A drop-frame frame lasts 1001/30 ms: 29.97 frames a second.
    const qint64 numerator = isDropFrame(type) ? 1001 : 1000;
    const qint64 denominator = isDropFrame(type) ? 30 : framesPerSecond(type);
    const qint64 product = frames * numerator;
    return (product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator;
}

qint64 TimecodeFrames::frames(qint64 ms, quint8 type)
{
    const qint64 numerator = isDropFrame(type) ? 30 : framesPerSecond(type);
    const qint64 denominator = isDropFrame(type) ? 1001 : 1000;
    return ms * numerator / denominator;
}
