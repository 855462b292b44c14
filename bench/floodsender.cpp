#include "floodsender.h"

#include "benchclock.h"
#include "floodplan.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include "artnet/artnetpacket.h"

#include <QNetworkDatagram>

namespace {

// Every datagram of the flood goes to loopback and nowhere else.
const QHostAddress Destination(QStringLiteral("127.0.0.1"));
const QHostAddress ConsoleAddress(QStringLiteral("127.0.0.3"));
const QHostAddress PollerAddress(QStringLiteral("127.0.0.2"));
// Time for the receiving side to settle after the sender process started.
constexpr qint64 StartDelayNs = 200'000'000;

} // namespace

FloodSender::FloodSender(const FloodSettings& settings, quint16 port) : settings(settings), port(port) {}

FloodSender::~FloodSender() = default;

QString FloodSender::timecodeAddress(int sender)
{
    return QStringLiteral("127.0.0.%1").arg(11 + sender);
}

bool FloodSender::open(QString* error)
{
    for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender)
        consoles.push_back(
            std::make_unique<TimecodeSender>(QHostAddress(timecodeAddress(sender)), Destination, port));
    // The node answers a poll to the poller's address on its own port; listening there (the node
    // shares its port) keeps the answers out of the node's own count of datagrams.
    const bool pollerListens =
        pollSocket.bind(PollerAddress, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    bool ready = dmxSocket.bind(ConsoleAddress, 0) && (pollerListens || pollSocket.bind(PollerAddress, 0));
    for (const auto& console : consoles)
        ready = ready && console->isReady();
    for (int u = 0; u < settings.universes; ++u) {
        QByteArray channels(ArtNetPacket::MaxDmxChannels, '\0');
        for (int c = 0; c < channels.size(); ++c)
            channels[c] = char((u * 7 + c) & 0xFF);
        dmxTemplates.push_back(ArtNetPacket::buildDmx(channels, quint8(u & 0xFF), quint8((u >> 8) & 0x7F)));
    }
    if (!ready)
        *error = QStringLiteral("cannot bind the sender's loopback sockets");
    return ready;
}

void FloodSender::send(QUdpSocket& socket, const QByteArray& datagram, FloodReport& report, qint64* count)
{
    // A failed send is counted and skipped: the schedule goes on, so the rate does not drift.
    if (socket.writeDatagram(datagram, Destination, port) != datagram.size()) {
        ++report.sendErrors;
        return;
    }
    ++*count;
    report.lastSendNs = monotonicNs();
    if (report.firstSendNs == 0)
        report.firstSendNs = report.lastSendNs;
}

FloodReport FloodSender::run()
{
    const FloodPlan plan(settings.datagramsPerSecond, settings.durationNs);
    FloodReport report;
    qint64 dmxScheduled = 0, pollsScheduled = 0;
    std::array<qint64, FloodPlan::TimecodeSenders> framesScheduled{};
    const QByteArray poll = ArtNetPacket::buildPoll();
    const qint64 start = monotonicNs() + StartDelayNs;
    for (qint64 batch = 0;; ++batch) {
        const qint64 elapsed = batch * settings.batchIntervalNs;
        sleepUntilNs(start + elapsed);
        report.maxLagNs = qMax(report.maxLagNs, monotonicNs() - (start + elapsed));
        for (; pollsScheduled < plan.pollsDueBy(elapsed); ++pollsScheduled)
            send(pollSocket, poll, report, &report.pollsSent);
        for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender) {
            qint64& frame = framesScheduled[size_t(sender)];
            for (; frame < plan.timecodeFramesDueBy(sender, elapsed); ++frame) {
                const qint64 sentNs = monotonicNs();
                if (!consoles[size_t(sender)]->send(timecodeAtFrame(frame))) {
                    ++report.sendErrors;
                    continue;
                }
                ++report.timecodeSent;
                report.timecodeSends.append({sender, frame, sentNs});
            }
        }
        for (; dmxScheduled < plan.dmxDueBy(elapsed); ++dmxScheduled) {
            QByteArray& packet = dmxTemplates[size_t(dmxScheduled % settings.universes)];
            packet[ArtNetPacket::Offset::Sequence] = char(dmxScheduled / settings.universes % 255 + 1);
            send(dmxSocket, packet, report, &report.dmxSent);
        }
        if (elapsed >= plan.durationNs())
            break;
    }
    // The last poll was answered long ago; a short wait covers a node that is behind.
    sleepUntilNs(monotonicNs() + 100'000'000);
    report.repliesObserved = pollSocket.localPort() == port;
    while (pollSocket.hasPendingDatagrams()) {
        const QByteArray datagram = pollSocket.receiveDatagram(ArtNetPacket::PollReplySize + 16).data();
        const auto header = ArtNetPacket::readHeader(datagram);
        if (header && header->opCode == quint16(ArtNetPacket::OpCode::PollReply))
            ++report.pollReplies;
    }
    return report;
}
