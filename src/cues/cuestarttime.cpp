#include "cuestarttime.h"

QTime cueStartTime(const AudioFileConfig& config, int slot)
{
    return QTime(config.hour[slot], config.minute[slot], config.seconds[slot], 0);
}

bool sharesStartTime(const AudioFileConfig& config, int slot)
{
    if (config.file[slot].isEmpty())
        return false;
    const QTime start = cueStartTime(config, slot);
    for (int other = 0; other < AudioSlotCount; ++other) {
        if (other != slot && !config.file[other].isEmpty() && cueStartTime(config, other) == start &&
            config.frame[other] == config.frame[slot])
            return true;
    }
    return false;
}

namespace {

constexpr int ShowFramesPerSecond = 25;

std::optional<qint64> startMs(const AudioFileConfig& config, int slot)
{
    const QTime start = cueStartTime(config, slot);
    if (!start.isValid())
        return std::nullopt;
    return qint64(start.msecsSinceStartOfDay()) + qint64(config.frame[slot]) * 1000 / ShowFramesPerSecond;
}

} // namespace

std::optional<qint64> cutShortByMs(const AudioFileConfig& config,
                                   const std::array<qint64, AudioSlotCount>& lengthMs, int slot)
{
    const std::optional<qint64> start = startMs(config, slot);
    if (config.file[slot].isEmpty() || !start || lengthMs[size_t(slot)] < 0)
        return std::nullopt;
    std::optional<qint64> next;
    for (int other = 0; other < AudioSlotCount; ++other) {
        const std::optional<qint64> otherStart = startMs(config, other);
        if (other == slot || config.file[other].isEmpty() || !otherStart || *otherStart <= *start)
            continue;
        if (!next || *otherStart < *next)
            next = otherStart;
    }
    const qint64 end = *start + lengthMs[size_t(slot)];
    if (!next || *next >= end)
        return std::nullopt;
    return end - *next;
}

QString ratesWithoutFrame(const AudioFileConfig& config, int slot)
{
    const int frame = config.frame[slot];
    if (frame >= 25)
        return QStringLiteral("24 and 25");
    if (frame >= 24)
        return QStringLiteral("24");
    return {};
}
