#include "showstatus.h"

#include "artnet/timecodeframes.h"
#include "cuestartcount.h"

namespace ShowStatus {

int leadingSender(const SenderClocks& clocks, int driver)
{
    if (clocks.at(driver).count())
        return driver;
    int leader = -1;
    for (int source = 0; source < clocks.size(); ++source) {
        const SenderClock& clock = clocks.at(source);
        if (!clock.count() || !clock.lastAdvanceMs())
            continue;
        if (leader < 0 || *clock.lastAdvanceMs() > *clocks.at(leader).lastAdvanceMs())
            leader = source;
    }
    return leader;
}

std::optional<Playing> playing(const SenderClock& driver, const AudioFileConfig& config, int slot,
                               qint64 lengthMs)
{
    if (slot < 0 || slot >= AudioSlotCount || !driver.count())
        return std::nullopt;
    const std::optional<qint64> start = cueStartCount(config, slot, driver.type());
    if (!start)
        return std::nullopt;
    const qint64 day = TimecodeFrames::framesPerDay(driver.type());
    qint64 offset = SenderClock::wrapped(*driver.count() - *start, day);
    // A clock located back before the start of a cue that plays on: nothing played yet.
    if (offset > day / 2)
        offset = 0;
    Playing shown{slot, TimecodeFrames::milliseconds(offset, driver.type()), -1,
                  lengthMs < 1 ? -1 : lengthMs};
    if (shown.lengthMs > 0) {
        shown.playedMs = qMin(shown.playedMs, shown.lengthMs);
        shown.leftMs = shown.lengthMs - shown.playedMs;
    }
    return shown;
}

std::optional<Next> next(const SenderClock& sender, const AudioFileConfig& config,
                         const std::array<bool, AudioSlotCount>& hasSound)
{
    if (!sender.count())
        return std::nullopt;
    const qint64 day = TimecodeFrames::framesPerDay(sender.type());
    std::optional<Next> found;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        if (!hasSound[size_t(slot)])
            continue;
        const std::optional<qint64> start = cueStartCount(config, slot, sender.type());
        if (!start)
            continue;
        const qint64 ahead = SenderClock::wrapped(*start - *sender.count(), day);
        if (ahead == 0 || ahead > day / 2)
            continue;
        if (!found || ahead < found->frames)
            found = Next{slot, ahead, sender.type()};
    }
    return found;
}

QString countdownText(qint64 frames, quint8 type)
{
    const qint64 ms = TimecodeFrames::milliseconds(frames, type);
    if (ms < 60000)
        return QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', 1);
    const int rate = TimecodeFrames::framesPerSecond(type);
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000 * rate / 1000, 2, 10, QLatin1Char('0'));
}

bool isWarning(qint64 frames, quint8 type)
{
    return TimecodeFrames::milliseconds(frames, type) <= WarningMs;
}

QString minutesText(qint64 ms)
{
    if (ms < 0)
        return QStringLiteral("--:--");
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace ShowStatus
