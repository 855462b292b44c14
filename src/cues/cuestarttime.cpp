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
        if (other != slot && !config.file[other].isEmpty() && cueStartTime(config, other) == start)
            return true;
    }
    return false;
}
