#include "cuestartcount.h"

#include "artnet/timecodeframes.h"

std::optional<qint64> cueStartCount(const AudioFileConfig& config, int slot, quint8 type)
{
    if (slot < 0 || slot >= AudioSlotCount)
        return std::nullopt;
    return TimecodeFrames::count(config.hour[slot], config.minute[slot], config.seconds[slot],
                                 config.frame[slot], type);
}
