#include "floodphases.h"

#include "benchclock.h"
#include "nodeharness.h"
#include "timecodeclock.h"

#include "artnet/artnet.h"
#include "artnet/datagrambatch.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

#include <poll.h>

namespace {

// After the sender exited, a receiver that made no progress for this long is done: what it has
// not got by then is lost.
constexpr qint64 QuietNs = 300'000'000;
// How long the bare loop waits in poll() before it looks at the sender again.
constexpr int PollSenderMs = 20;
// A sender that has not finished this long after its flood should have ended is stuck.
constexpr qint64 SenderGraceNs = 30'000'000'000;

// The sender side of the benchmark as a child process: this same program with --sender. Its
// report comes on standard output; its complaints go straight to ours.
struct FloodProcess
{
    QProcess child;

    ~FloodProcess()
    {
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished(5000);
        }
    }
    bool start(const FloodSettings& settings, quint16 port, QString* error)
    {
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--sender"), QStringLiteral("--port"), QString::number(port),
                     QStringLiteral("--rate"), QString::number(settings.datagramsPerSecond),
                     QStringLiteral("--duration"),
                     QString::number(double(settings.durationNs) / 1e9, 'g', 12)});
        if (child.waitForStarted(10'000))
            return true;
        *error = QStringLiteral("cannot start the sender: %1").arg(child.errorString());
        return false;
    }
    // Looks without waiting; also usable where no event loop runs.
    bool hasExited() { return child.state() == QProcess::NotRunning || child.waitForFinished(0); }
    // The sender's report once it exited normally; nothing (and why) otherwise.
    std::optional<FloodReport> report(QString* error)
    {
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            *error = QStringLiteral("the sender failed (exit code %1)").arg(child.exitCode());
            return std::nullopt;
        }
        const std::optional<FloodReport> report = FloodReport::fromText(child.readAllStandardOutput());
        if (!report)
            *error = QStringLiteral("the sender's report is incomplete");
        return report;
    }
};

// Asks the node's timecode query, as the display does, but after every pass of the event loop
// instead of every 20 ms, and notes when each sender's value changed. A datagram is dispatched
// within a pass, so the moment its value is readable is known to within that pass.
class TimecodeProbe
{
public:
    TimecodeProbe(artnet& node, LatencyRecorder& recorder) : node(node), recorder(recorder)
    {
        // Both ends of a pass: aboutToBlock is skipped when events are already waiting, awake is not.
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context, [this] { sample(); });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &context, [this] { sample(); });
    }

private:
    void sample()
    {
        const qint64 now = monotonicNs();
        const int sources = node.timecodeSourceCount();
        for (int index = 0; index < sources; ++index) {
            ArtTimecode timecode;
            QHostAddress address;
            if (!node.getTimecodeSource(&timecode, size_t(index) == lastSeen.size() ? &address : nullptr,
                                        index))
                return;
            if (size_t(index) == lastSeen.size()) {
                // Entries never move, so each source's sender is looked up once.
                senderOfSource.push_back(timecodeSenderOf(address));
                lastSeen.push_back(ArtTimecode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
            }
            if (timecode == lastSeen[size_t(index)])
                continue;
            lastSeen[size_t(index)] = timecode;
            const std::optional<qint64> frame = frameOfTimecode(timecode);
            if (senderOfSource[size_t(index)] >= 0 && frame)
                recorder.recordSeen(senderOfSource[size_t(index)], *frame, now);
        }
    }

    artnet& node;
    LatencyRecorder& recorder;
    QObject context;
    std::vector<int> senderOfSource; // -1: an address that is not one of the senders
    std::vector<ArtTimecode> lastSeen;
};

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
    TimecodeProbe probe(node, recorder);
    FloodProcess flood;
    if (!flood.start(settings, environment.port, error))
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
    // The node's own batch reader on a socket bound and sized as the node's, waiting in poll()
    // instead of an event loop, with nothing dispatched: the ceiling for the node.
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        *error = socket.errorString();
        return false;
    }
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(artnet::ReceiveBufferBytes));
    FloodProcess flood;
    if (!flood.start(settings, socket.localPort(), error))
        return false;
    DatagramBatch batch;
    pollfd descriptor{int(socket.socketDescriptor()), POLLIN, 0};
    const qint64 start = processCpuNs();
    const qint64 deadline = monotonicNs() + settings.durationNs + SenderGraceNs;
    for (bool draining = false;;) {
        const int count = batch.receive(socket.socketDescriptor());
        result->received += count;
        for (int i = 0; i < count; ++i) {
            // Two bytes of the op-code are all the look a datagram of another kind gets.
            const QByteArrayView datagram = batch.datagram(i);
            if (datagram.size() < ArtNetPacket::TimecodeSize ||
                quint8(datagram[ArtNetPacket::Offset::OpCode + 1]) != 0x97)
                continue;
            const int sender = timecodeSenderOf(batch.sender(i));
            const std::optional<qint64> frame = frameOfTimecode(ArtNetPacket::readTimecode(datagram));
            if (sender >= 0 && frame)
                result->latency.recordSeen(sender, *frame, monotonicNs());
        }
        if (count > 0)
            continue;
        // Nothing queued. Once the sender has gone, its datagrams are all queued already
        // (loopback delivers while sending), so one more pass takes the rest.
        if (draining)
            break;
        if (monotonicNs() > deadline) {
            *error = QStringLiteral("the sender did not finish");
            return false;
        }
        if (poll(&descriptor, 1, PollSenderMs) == 0)
            draining = flood.hasExited();
    }
    result->cpuNs = processCpuNs() - start;
    const std::optional<FloodReport> report = flood.report(error);
    if (!report)
        return false;
    result->report = *report;
    for (const TimecodeSend& send : report->timecodeSends)
        result->latency.recordSent(send.sender, send.frame, send.sentNs);
    return true;
}
