#include "benchclock.h"
#include "floodphases.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include "artnet/artnetpacket.h"

#include <QNetworkDatagram>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Every datagram of the flood goes to loopback and nowhere else.
const QHostAddress Destination(QStringLiteral("127.0.0.1"));
const QHostAddress ConsoleAddress(QStringLiteral("127.0.0.3"));
const QHostAddress PollerAddress(QStringLiteral("127.0.0.2"));
// Time for the receiving side to settle after the sender process started.
constexpr qint64 StartDelayNs = 200'000'000;

} // namespace

QString timecodeAddress(int sender)
{
    return QStringLiteral("127.0.0.%1").arg(11 + sender);
}

int timecodeSenderOf(const QHostAddress& address)
{
    for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender)
        if (address.isEqual(QHostAddress(timecodeAddress(sender)), QHostAddress::TolerantConversion))
            return sender;
    return -1;
}

int runSender(const FloodSettings& settings, quint16 port)
{
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    bool ready = true;
    for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender) {
        consoles.push_back(
            std::make_unique<TimecodeSender>(QHostAddress(timecodeAddress(sender)), Destination, port));
        ready = ready && consoles.back()->isReady();
    }
    // The node answers a poll to the poller's address on its own port; listening there (the node
    // shares its port) keeps the answers out of the node's own count of datagrams.
    QUdpSocket dmxSocket, pollSocket;
    const bool pollerListens =
        pollSocket.bind(PollerAddress, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    if (!ready || !dmxSocket.bind(ConsoleAddress, 0) ||
        !(pollerListens || pollSocket.bind(PollerAddress, 0))) {
        std::fprintf(stderr, "artnet_flood sender: cannot bind the sender's loopback sockets\n");
        return 1;
    }
    std::vector<QByteArray> dmxTemplates; // one ArtDmx per universe
    for (int u = 0; u < settings.universes; ++u) {
        QByteArray channels(ArtNetPacket::MaxDmxChannels, '\0');
        for (int c = 0; c < channels.size(); ++c)
            channels[c] = char((u * 7 + c) & 0xFF);
        dmxTemplates.push_back(ArtNetPacket::buildDmx(channels, quint8(u & 0xFF), quint8((u >> 8) & 0x7F)));
    }

    FloodReport report;
    // A failed send is counted and skipped: the schedule goes on, so the rate does not drift.
    const auto noteSend = [&](bool sent, qint64* count) {
        if (!sent) {
            ++report.sendErrors;
            return;
        }
        ++*count;
        report.lastSendNs = monotonicNs();
        if (report.firstSendNs == 0)
            report.firstSendNs = report.lastSendNs;
    };
    const FloodPlan plan(settings.datagramsPerSecond, settings.durationNs);
    qint64 dmxScheduled = 0, pollsScheduled = 0;
    qint64 framesScheduled[FloodPlan::TimecodeSenders] = {};
    const QByteArray poll = ArtNetPacket::buildPoll();
    const qint64 start = monotonicNs() + StartDelayNs;
    for (qint64 batch = 0;; ++batch) {
        const qint64 elapsed = batch * settings.batchIntervalNs;
        sleepUntilNs(start + elapsed);
        report.maxLagNs = qMax(report.maxLagNs, monotonicNs() - (start + elapsed));
        for (; pollsScheduled < plan.pollsDueBy(elapsed); ++pollsScheduled)
            noteSend(pollSocket.writeDatagram(poll, Destination, port) == poll.size(), &report.pollsSent);
        for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender) {
            for (qint64& frame = framesScheduled[sender]; frame < plan.timecodeFramesDueBy(sender, elapsed);
                 ++frame) {
                const qint64 sentNs = monotonicNs();
                const bool sent = consoles[size_t(sender)]->send(timecodeAtFrame(frame));
                noteSend(sent, &report.timecodeSent);
                if (sent)
                    report.timecodeSends.append({sender, frame, sentNs});
            }
        }
        for (; dmxScheduled < plan.dmxDueBy(elapsed); ++dmxScheduled) {
            QByteArray& packet = dmxTemplates[size_t(dmxScheduled % settings.universes)];
            packet[ArtNetPacket::Offset::Sequence] = char(dmxScheduled / settings.universes % 255 + 1);
            noteSend(dmxSocket.writeDatagram(packet, Destination, port) == packet.size(), &report.dmxSent);
        }
        if (elapsed >= plan.durationNs())
            break;
    }
    // The last poll was answered long ago; a short wait covers a node that is behind.
    sleepUntilNs(monotonicNs() + 100'000'000);
    report.repliesObserved = pollerListens;
    while (pollSocket.hasPendingDatagrams()) {
        const auto header =
            ArtNetPacket::readHeader(pollSocket.receiveDatagram(ArtNetPacket::PollReplySize + 16).data());
        if (header && header->opCode == quint16(ArtNetPacket::OpCode::PollReply))
            ++report.pollReplies;
    }
    const QByteArray text = report.toText();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
