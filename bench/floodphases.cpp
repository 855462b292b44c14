#include "floodphases.h"

#include "benchclock.h"
#include "floodlatency.h"
#include "nodeharness.h"
#include "timecodeclock.h"

#include "artnet/artnet.h"
#include "artnet/artnetpacket.h"
#include "artnet/datagrambatch.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>

#include <future>
#include <poll.h>

namespace {

// Once the sender is done, a receiver that made no progress for this long is done too: what it
// has not got by then is lost.
constexpr qint64 QuietNs = 300'000'000;

// The flood from a thread of its own, as a console's traffic arrives from outside.
std::future<FloodTally> startFlood(const FloodSettings& settings, quint16 port)
{
    return std::async(std::launch::async, [settings, port] { return sendFlood(settings, port); });
}

bool isDone(const std::future<FloodTally>& flood)
{
    return flood.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

bool finish(std::future<FloodTally>& flood, std::vector<TimecodeEvent> seen, FloodRound* round,
            QString* error)
{
    round->tally = flood.get();
    *error = round->tally.error;
    round->timecodeLatencies = timecodeLatencies(round->tally.timecodeSent, seen);
    return error->isEmpty();
}

// Asks the node's timecode query, as the display does, but after every pass of the event loop
// instead of every 20 ms, and notes when each source's value changed. A datagram is dispatched
// within a pass, so the moment its value is readable is known to within that pass.
class TimecodeProbe
{
public:
    explicit TimecodeProbe(artnet& node) : node(node)
    {
        // Both ends of a pass: aboutToBlock is skipped when events are already waiting, awake is not.
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context, [this] { look(); });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &context, [this] { look(); });
    }
    std::vector<TimecodeEvent> seen;

private:
    void look()
    {
        const qint64 now = monotonicNs();
        for (int index = 0; index < node.timecodeSourceCount(); ++index) {
            ArtTimecode timecode;
            QHostAddress address;
            // Entries never move, so each source's sender is looked up once.
            const bool isNew = size_t(index) == senders.size();
            if (!node.getTimecodeSource(&timecode, isNew ? &address : nullptr, index))
                return;
            if (isNew) {
                senders.push_back(timecodeSenderOf(address));
                last.push_back({});
            } else if (timecode == last[size_t(index)]) {
                continue;
            }
            last[size_t(index)] = timecode;
            if (const std::optional<qint64> frame = frameOfTimecode(timecode))
                seen.push_back({senders[size_t(index)], *frame, now});
        }
    }

    artnet& node;
    QObject context;
    std::vector<int> senders;
    std::vector<ArtTimecode> last;
};

} // namespace

bool runNodeRound(const FloodSettings& settings, FloodRound* round, QString* error)
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
    TimecodeProbe probe(node);
    std::future<FloodTally> flood = startFlood(settings, environment.port);
    const qint64 start = threadCpuNs();
    qint64 lastProgressCpu = start, lastProgressNs = monotonicNs();
    quint64 lastCount = 0;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (node.receivedDatagrams() != lastCount) {
            lastCount = node.receivedDatagrams();
            lastProgressNs = monotonicNs();
            lastProgressCpu = threadCpuNs();
        } else if (isDone(flood) && monotonicNs() - lastProgressNs > QuietNs) {
            loop.quit();
        }
    });
    check.start(10);
    loop.exec();
    round->received = qint64(node.receivedDatagrams());
    round->cpuNs = lastProgressCpu - start;
    return finish(flood, probe.seen, round, error);
}

bool runBareRound(const FloodSettings& settings, FloodRound* round, QString* error)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        *error = socket.errorString();
        return false;
    }
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                           QVariant(artnet::ReceiveBufferBytes));
    std::future<FloodTally> flood = startFlood(settings, socket.localPort());
    DatagramBatch batch;
    pollfd descriptor{int(socket.socketDescriptor()), POLLIN, 0};
    std::vector<TimecodeEvent> seen;
    const qint64 start = threadCpuNs();
    for (bool draining = false;;) {
        const int count = batch.receive(socket.socketDescriptor());
        round->received += count;
        for (int i = 0; i < count; ++i) {
            // Two bytes of the op-code are all the look a datagram of another kind gets.
            const QByteArrayView datagram = batch.datagram(i);
            if (datagram.size() < ArtNetPacket::TimecodeSize ||
                quint8(datagram[ArtNetPacket::Offset::OpCode + 1]) != 0x97)
                continue;
            if (const std::optional<qint64> frame = frameOfTimecode(ArtNetPacket::readTimecode(datagram)))
                seen.push_back({timecodeSenderOf(batch.sender(i)), *frame, monotonicNs()});
        }
        if (count > 0)
            continue;
        // Nothing queued. Once the sender is done, its datagrams are all queued already
        // (loopback delivers while sending), so one more pass takes the rest.
        if (draining)
            break;
        if (poll(&descriptor, 1, 20) == 0)
            draining = isDone(flood);
    }
    round->cpuNs = threadCpuNs() - start;
    return finish(flood, std::move(seen), round, error);
}
