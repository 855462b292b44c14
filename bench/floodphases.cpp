#include "floodphases.h"

#include "barereceiver.h"
#include "floodplan.h"
#include "floodprocess.h"
#include "floodsender.h"
#include "nodeharness.h"
#include "timecodeclock.h"
#include "timecodeprobe.h"

#include "artnet/artnet.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// After the sender exited, a receiver that made no progress for this long is done: what it has
// not got by then is lost.
constexpr qint64 QuietNs = 300'000'000;
// A sender that has not finished this long after its flood should have ended is stuck.
constexpr qint64 SenderGraceNs = 30'000'000'000;

QList<QHostAddress> timecodeSenders()
{
    QList<QHostAddress> senders;
    for (int i = 0; i < FloodPlan::TimecodeSenders; ++i)
        senders.append(QHostAddress(FloodSender::timecodeAddress(i)));
    return senders;
}

} // namespace

bool runNodePhase(const FloodSettings& settings, PhaseResult* result, QString* error)
{
    NodeEnvironment environment;
    environment.port = freeUdpPort();
    environment.listInterfaces = loopbackInterfaces;
    environment.writeDiagnostic = [](const QString&) {};
    artnet node(environment);
    node.setReplyToPoll(true);
    if (!node.replyToPoll()) {
        *error = QStringLiteral("the node cannot bind port %1").arg(environment.port);
        return false;
    }

    LatencyRecorder& recorder = result->latency;
    TimecodeProbe probe(node, timecodeSenders(), recorder);
    FloodProcess flood(settings);
    if (!flood.start(environment.port, error))
        return false;
    const qint64 start = processCpuNs();
    qint64 lastProgressCpu = start;
    const qint64 deadline = monotonicNs() + settings.durationNs + SenderGraceNs;

    QEventLoop loop;
    QTimer check;
    std::optional<FloodReport> report;
    quint64 lastCount = 0;
    qint64 lastProgressNs = monotonicNs();
    bool broken = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const qint64 now = monotonicNs();
        const quint64 count = node.receivedDatagrams();
        if (count != lastCount) {
            lastCount = count;
            lastProgressNs = now;
            lastProgressCpu = processCpuNs();
        }
        if (!flood.hasExited()) {
            if (now > deadline) {
                *error = QStringLiteral("the sender did not finish");
                broken = true;
                loop.quit();
            }
            return;
        }
        if (!report) {
            report = flood.report(error);
            if (!report) {
                broken = true;
                loop.quit();
                return;
            }
        }
        if (qint64(count) >= report->total() || now - lastProgressNs > QuietNs)
            loop.quit();
    });
    check.start(10);
    loop.exec();
    check.stop();
    if (broken)
        return false;

    result->report = *report;
    result->received = qint64(node.receivedDatagrams());
    result->cpuNs = lastProgressCpu - start;
    for (const TimecodeSend& send : report->timecodeSends)
        recorder.recordSent(send.sender, send.frame, send.sentNs);
    return true;
}

bool runBarePhase(const FloodSettings& settings, PhaseResult* result, QString* error)
{
    BareReceiver receiver;
    // The bare loop asks for what the node asks for.
    if (!receiver.open(artnet::ReceiveBufferBytes, error))
        return false;
    FloodProcess flood(settings);
    if (!flood.start(receiver.port(), error))
        return false;
    const qint64 start = processCpuNs();
    const qint64 deadline = monotonicNs() + settings.durationNs + SenderGraceNs;
    bool stuck = false;
    const bool received = receiver.receiveUntil(
        [&] {
            stuck = monotonicNs() > deadline;
            return stuck || flood.hasExited();
        },
        error);
    const qint64 spent = processCpuNs() - start;
    if (!received)
        return false;
    if (stuck) {
        *error = QStringLiteral("the sender did not finish");
        return false;
    }
    const std::optional<FloodReport> report = flood.report(error);
    if (!report)
        return false;
    result->report = *report;
    result->received = receiver.received();
    result->cpuNs = spent;
    result->bufferForced = receiver.bufferForced();
    LatencyRecorder& recorder = result->latency;
    const QList<QHostAddress> senders = timecodeSenders();
    for (const BareReceiver::TimecodeArrival& arrival : receiver.timecodeArrivals()) {
        const int sender = int(senders.indexOf(QHostAddress(arrival.sender)));
        const std::optional<qint64> frame = frameOfTimecode(arrival.timecode);
        if (sender >= 0 && frame)
            recorder.recordSeen(sender, *frame, arrival.receivedNs);
    }
    for (const TimecodeSend& send : report->timecodeSends)
        recorder.recordSent(send.sender, send.frame, send.sentNs);
    return true;
}
