#include "floodfigures.h"

#include "samplestats.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 NsPerSecond = 1'000'000'000;
constexpr qint64 Never = std::numeric_limits<qint64>::max();

} // namespace

FloodPlan::FloodPlan(qint64 datagramsPerSecond, qint64 durationNs)
    : duration(qMax<qint64>(durationNs, 0)),
      dmxRate(qMax<qint64>(datagramsPerSecond - TimecodeSenders * TimecodeFramesPerSecond, 0))
{}

qint64 FloodPlan::dueBy(qint64 perInterval, qint64 intervalNs, qint64 offsetNs, qint64 elapsedNs) const
{
    if (perInterval <= 0 || elapsedNs < offsetNs || duration <= offsetNs)
        return 0;
    const qint64 started = (elapsedNs - offsetNs) * perInterval / intervalNs + 1;
    // Events strictly before the end: ceil((duration - offset) * perInterval / interval).
    return qMin(started, ((duration - offsetNs) * perInterval + intervalNs - 1) / intervalNs);
}

qint64 FloodPlan::dmxDueBy(qint64 elapsedNs) const
{
    return dueBy(dmxRate, NsPerSecond, 0, elapsedNs);
}

qint64 FloodPlan::timecodeFramesDueBy(int sender, qint64 elapsedNs) const
{
    if (sender < 0 || sender >= TimecodeSenders)
        return 0;
    const qint64 offsetNs = NsPerSecond * sender / (TimecodeFramesPerSecond * TimecodeSenders);
    return dueBy(TimecodeFramesPerSecond, NsPerSecond, offsetNs, elapsedNs);
}

qint64 FloodPlan::pollsDueBy(qint64 elapsedNs) const
{
    return dueBy(1, PollIntervalNs, 0, elapsedNs);
}

qint64 FloodPlan::totalDatagrams() const
{
    qint64 total = dmxDueBy(duration) + pollsDueBy(duration);
    for (int sender = 0; sender < TimecodeSenders; ++sender)
        total += timecodeFramesDueBy(sender, duration);
    return total;
}

QByteArray FloodReport::toText() const
{
    QByteArray text = "totals";
    for (qint64 n : {dmxSent, timecodeSent, pollsSent, sendErrors, firstSendNs, lastSendNs, maxLagNs,
                     qint64(repliesObserved), pollReplies})
        text += ' ' + QByteArray::number(n);
    text += '\n';
    for (const TimecodeSend& send : timecodeSends)
        text += "timecode " + QByteArray::number(send.sender) + ' ' + QByteArray::number(send.frame) + ' ' +
                QByteArray::number(send.sentNs) + '\n';
    return text + "end\n";
}

std::optional<FloodReport> FloodReport::fromText(const QByteArray& text)
{
    FloodReport report;
    bool haveTotals = false;
    const QList<QByteArray> lines = text.trimmed().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.simplified().split(' ');
        QList<qint64> n;
        for (qsizetype i = 1; i < words.size(); ++i) {
            bool ok = false;
            n.append(words[i].toLongLong(&ok));
            if (!ok)
                return std::nullopt;
        }
        if (words[0] == "totals" && n.size() == 9) {
            report = {n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7] != 0, n[8], {}};
            haveTotals = true;
        } else if (words[0] == "timecode" && n.size() == 3) {
            report.timecodeSends.append({int(n[0]), n[1], n[2]});
        } else if (!(words[0] == "end" && n.isEmpty() && &line == &lines.last())) {
            return std::nullopt;
        }
    }
    // The last line closes the report: a sender that died half-way is not one that sent less.
    if (!haveTotals || lines.last() != "end" || report.timecodeSends.size() != report.timecodeSent)
        return std::nullopt;
    return report;
}

void LatencyRecorder::absorb(const LatencyRecorder& other)
{
    sent.insert(sent.end(), other.sent.begin(), other.sent.end());
    seen.insert(seen.end(), other.seen.begin(), other.seen.end());
}

LatencyRecorder::Summary LatencyRecorder::summarise() const
{
    Summary summary;
    std::vector<qint64> latencies;
    for (size_t sender = 0; sender < sent.size(); ++sender) {
        std::vector<Event> shown = seen[sender];
        std::sort(shown.begin(), shown.end(),
                  [](const Event& a, const Event& b) { return a.timeNs < b.timeNs; });
        // Newest frame readable by each moment: the first moment a frame is covered is the first
        // entry whose running maximum reaches it.
        std::vector<qint64> newestSoFar, ownFrames;
        for (const Event& event : shown) {
            newestSoFar.push_back(newestSoFar.empty() ? event.frame : qMax(newestSoFar.back(), event.frame));
            ownFrames.push_back(event.frame);
        }
        std::sort(ownFrames.begin(), ownFrames.end());
        for (const Event& frame : sent[sender]) {
            ++summary.sent;
            const auto covered = std::lower_bound(newestSoFar.begin(), newestSoFar.end(), frame.frame);
            if (covered == newestSoFar.end()) {
                ++summary.neverReadable;
                latencies.push_back(Never);
                continue;
            }
            if (!std::binary_search(ownFrames.begin(), ownFrames.end(), frame.frame))
                ++summary.overwritten;
            latencies.push_back(shown[size_t(covered - newestSoFar.begin())].timeNs - frame.timeNs);
        }
    }
    std::sort(latencies.begin(), latencies.end());
    // A quantile that falls on a never-readable frame has no time.
    const auto at = [&](int percent) {
        const qint64 value = nearestRank(latencies, percent);
        return value == Never ? -1 : value;
    };
    summary.medianNs = at(50);
    summary.p99Ns = at(99);
    summary.maxNs = at(100);
    return summary;
}
