#include "floodsender.h"

#include "benchclock.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include "artnet/artnetpacket.h"

#include <QNetworkDatagram>

#include <memory>

namespace {

constexpr qint64 NsPerSecond = 1'000'000'000;
constexpr qint64 BatchIntervalNs = 1'000'000;
constexpr qint64 PollIntervalNs = 3 * NsPerSecond;
constexpr quint32 FirstTimecodeSender = 0x7F00000B; // 127.0.0.11
// Every datagram of the flood goes to loopback and nowhere else.
const QHostAddress Destination(QStringLiteral("127.0.0.1"));

// Events due by elapsedNs at perInterval an interval from offsetNs on, the first at offsetNs itself.
qint64 dueBy(qint64 elapsedNs, qint64 perInterval, qint64 intervalNs, qint64 offsetNs = 0)
{
    return elapsedNs < offsetNs || perInterval <= 0 ? 0
                                                    : (elapsedNs - offsetNs) * perInterval / intervalNs + 1;
}

} // namespace

int timecodeSenderOf(const QHostAddress& address)
{
    bool ok = false;
    const qint64 sender = qint64(address.toIPv4Address(&ok)) - FirstTimecodeSender;
    return ok && sender >= 0 && sender < FloodSettings::TimecodeSenders ? int(sender) : -1;
}

FloodTally sendFlood(const FloodSettings& settings, quint16 port)
{
    FloodTally tally;
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    for (int sender = 0; sender < FloodSettings::TimecodeSenders; ++sender)
        consoles.push_back(std::make_unique<TimecodeSender>(
            QHostAddress(FirstTimecodeSender + quint32(sender)), Destination, port));
    // The node answers a poll at the poller's address on its own port; listening there keeps the
    // answers out of the receiver's count.
    QUdpSocket dmxSocket, pollSocket;
    bool ready = dmxSocket.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0) &&
                 pollSocket.bind(QHostAddress(QStringLiteral("127.0.0.2")), port,
                                 QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    for (const auto& console : consoles)
        ready = ready && console->isReady();
    if (!ready) {
        tally.error = QStringLiteral("cannot bind the sender's loopback sockets");
        return tally;
    }
    std::vector<QByteArray> dmx; // one ArtDmx per universe
    for (int u = 0; u < settings.universes; ++u) {
        QByteArray channels(ArtNetPacket::MaxDmxChannels, char(u * 7));
        dmx.push_back(ArtNetPacket::buildDmx(channels, quint8(u & 0xFF), quint8((u >> 8) & 0x7F)));
    }
    const QByteArray poll = ArtNetPacket::buildPoll();
    const qint64 dmxPerSecond = qMax<qint64>(
        settings.datagramsPerSecond - FloodSettings::TimecodeSenders * FloodSettings::TimecodeFramesPerSecond,
        0);

    // A failed send is counted and skipped: the schedule goes on, so the rate does not drift.
    const auto note = [&](bool sent) {
        if (!sent) {
            ++tally.sendErrors;
            return false;
        }
        ++tally.sent;
        tally.lastSendNs = monotonicNs();
        tally.firstSendNs = tally.firstSendNs ? tally.firstSendNs : tally.lastSendNs;
        return true;
    };
    qint64 dmxSent = 0, frames[FloodSettings::TimecodeSenders] = {};
    const qint64 start = monotonicNs();
    for (qint64 elapsed = 0; elapsed < settings.durationNs; elapsed += BatchIntervalNs) {
        sleepUntilNs(start + elapsed);
        tally.maxLagNs = qMax(tally.maxLagNs, monotonicNs() - (start + elapsed));
        for (; tally.polls < dueBy(elapsed, 1, PollIntervalNs); ++tally.polls)
            note(pollSocket.writeDatagram(poll, Destination, port) == poll.size());
        for (int sender = 0; sender < FloodSettings::TimecodeSenders; ++sender) {
            const qint64 offsetNs = NsPerSecond * sender / (FloodSettings::TimecodeFramesPerSecond * 4);
            for (qint64& frame = frames[sender];
                 frame < dueBy(elapsed, FloodSettings::TimecodeFramesPerSecond, NsPerSecond, offsetNs);
                 ++frame) {
                const qint64 sentNs = monotonicNs();
                if (note(consoles[size_t(sender)]->send(timecodeAtFrame(frame))))
                    tally.timecodeSent.push_back({sender, frame, sentNs});
            }
        }
        for (; dmxSent < dueBy(elapsed, dmxPerSecond, NsPerSecond); ++dmxSent) {
            QByteArray& packet = dmx[size_t(dmxSent % settings.universes)];
            packet[ArtNetPacket::Offset::Sequence] = char(dmxSent / settings.universes % 255 + 1);
            note(dmxSocket.writeDatagram(packet, Destination, port) == packet.size());
        }
    }
    // The last poll was answered long ago; a short wait covers a receiver that is behind.
    sleepUntilNs(monotonicNs() + 100'000'000);
    while (pollSocket.hasPendingDatagrams()) {
        const auto header =
            ArtNetPacket::readHeader(pollSocket.receiveDatagram(ArtNetPacket::PollReplySize).data());
        tally.pollReplies += header && header->opCode == quint16(ArtNetPacket::OpCode::PollReply);
    }
    return tally;
}
