#include "floodlatency.h"

#include <algorithm>

std::vector<qint64> timecodeLatencies(const std::vector<TimecodeEvent>& sent,
                                      const std::vector<TimecodeEvent>& seen)
{
    // Per sender, in time order, the newest frame readable so far at each look.
    std::vector<std::vector<TimecodeEvent>> newest(FloodSettings::TimecodeSenders);
    std::vector<TimecodeEvent> looks = seen;
    std::stable_sort(looks.begin(), looks.end(), [](const auto& a, const auto& b) { return a.ns < b.ns; });
    for (TimecodeEvent look : looks) {
        if (look.sender < 0 || look.sender >= FloodSettings::TimecodeSenders)
            continue;
        std::vector<TimecodeEvent>& readable = newest[size_t(look.sender)];
        look.frame = readable.empty() ? look.frame : qMax(readable.back().frame, look.frame);
        readable.push_back(look);
    }
    std::vector<qint64> latencies;
    for (const TimecodeEvent& frame : sent) {
        if (frame.sender < 0 || frame.sender >= FloodSettings::TimecodeSenders)
            continue;
        const std::vector<TimecodeEvent>& readable = newest[size_t(frame.sender)];
        const auto covered =
            std::lower_bound(readable.begin(), readable.end(), frame.frame,
                             [](const TimecodeEvent& look, qint64 f) { return look.frame < f; });
        latencies.push_back(covered == readable.end() ? NeverReadable : covered->ns - frame.ns);
    }
    std::sort(latencies.begin(), latencies.end());
    return latencies;
}
