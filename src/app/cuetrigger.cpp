#include "cuetrigger.h"

int CueTrigger::matchingSlot(const AudioFileConfig& config, const std::array<bool, AudioSlotCount>& hasSound,
                             const ArtTimecode& timecode)
{
    if (timecode.frames != 0)
        return -1;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (hasSound[size_t(slot)] && timecode.hours == config.hour[slot] &&
            timecode.minutes == config.minute[slot] && timecode.seconds == config.seconds[slot])
            return slot;
    }
    return -1;
}

bool CueTrigger::changed(int index, const ArtTimecode& timecode)
{
    if (index < 0)
        return false;
    if (index >= lastSeen.size())
        lastSeen.resize(index + 1);
    std::optional<ArtTimecode>& previous = lastSeen[index];
    const bool isNew = !previous || *previous != timecode;
    previous = timecode;
    return isNew;
}
