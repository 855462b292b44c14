#include "timecodeprobe.h"

#include "benchclock.h"
#include "timecodeclock.h"

#include <QAbstractEventDispatcher>

TimecodeProbe::TimecodeProbe(artnet& node, QList<QHostAddress> senders, LatencyRecorder& recorder)
    : node(node), senders(std::move(senders)), recorder(recorder)
{
    // Both ends of a pass: aboutToBlock is skipped when events are already waiting, awake is not.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TimecodeProbe::sample);
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, &TimecodeProbe::sample);
}

void TimecodeProbe::sample()
{
    ++sampleCount;
    const int sources = node.timecodeSourceCount();
    if (sources == 0)
        return;
    const qint64 now = monotonicNs();
    for (int index = 0; index < sources; ++index) {
        ArtTimecode timecode;
        if (size_t(index) == senderOfSource.size()) {
            // Entries never move, so each source's sender is looked up once.
            QHostAddress address;
            if (!node.getTimecodeSource(&timecode, &address, index))
                return;
            senderOfSource.push_back(int(senders.indexOf(address)));
            lastSeen.push_back(ArtTimecode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        } else if (!node.getTimecodeSource(&timecode, nullptr, index)) {
            return;
        }
        if (timecode == lastSeen[size_t(index)])
            continue;
        lastSeen[size_t(index)] = timecode;
        const std::optional<qint64> frame = frameOfTimecode(timecode);
        if (senderOfSource[size_t(index)] >= 0 && frame)
            recorder.recordSeen(senderOfSource[size_t(index)], *frame, now);
    }
}
