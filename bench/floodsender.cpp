#include "floodsender.h"

#include "benchclock.h"
#include "floodplan.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include "artnet/artnetpacket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Every datagram of the flood goes to loopback and nowhere else.
constexpr const char* Destination = "127.0.0.1";
constexpr const char* ConsoleAddress = "127.0.0.3";
constexpr const char* PollerAddress = "127.0.0.2";
constexpr std::array<const char*, 4> TimecodeAddresses{"127.0.0.11", "127.0.0.12", "127.0.0.13",
                                                       "127.0.0.14"};
// Time for the receiving side to settle after the sender process started.
constexpr qint64 StartDelayNs = 200'000'000;
constexpr int BatchSize = 64;

sockaddr_in loopbackAddress(const char* address, quint16 port)
{
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    inet_pton(AF_INET, address, &socketAddress.sin_addr);
    return socketAddress;
}

int boundSocket(const char* address, quint16 port, bool shareAddress)
{
    const int descriptor = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    if (shareAddress) {
        const int on = 1;
        setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    const sockaddr_in local = loopbackAddress(address, port);
    if (bind(descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

bool sendOne(int descriptor, const QByteArray& datagram, const sockaddr_in& to)
{
    for (;;) {
        const ssize_t sent = sendto(descriptor, datagram.constData(), size_t(datagram.size()), 0,
                                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

} // namespace

FloodSender::FloodSender(const FloodSettings& settings, quint16 port) : settings(settings), port(port) {}

FloodSender::~FloodSender()
{
    if (dmxSocket >= 0)
        close(dmxSocket);
    if (pollSocket >= 0)
        close(pollSocket);
}

QString FloodSender::timecodeAddress(int sender)
{
    return QString::fromLatin1(TimecodeAddresses.at(size_t(sender)));
}

bool FloodSender::open(QString* error)
{
    dmxSocket = boundSocket(ConsoleAddress, 0, false);
    for (const char* address : TimecodeAddresses)
        consoles.push_back(std::make_unique<TimecodeSender>(QHostAddress(QLatin1String(address)),
                                                            QHostAddress(QLatin1String(Destination)), port));
    // The node answers a poll to the poller's address on its own port. Listening there (the
    // node shares its port) keeps the answers out of the node's own count of datagrams.
    pollSocket = boundSocket(PollerAddress, port, true);
    pollSocketOnNodePort = pollSocket >= 0;
    if (!pollSocketOnNodePort)
        pollSocket = boundSocket(PollerAddress, 0, false);
    for (int u = 0; u < settings.universes; ++u) {
        QByteArray channels(ArtNetPacket::MaxDmxChannels, '\0');
        for (int c = 0; c < channels.size(); ++c)
            channels[c] = char((u * 7 + c) & 0xFF);
        dmxTemplates.push_back(ArtNetPacket::buildDmx(channels, quint8(u & 0xFF), quint8((u >> 8) & 0x7F)));
    }
    dmxSlots.assign(size_t(BatchSize) * ArtNetPacket::DmxPacketSize, '\0');
    bool ready = dmxSocket >= 0 && pollSocket >= 0;
    for (const auto& console : consoles)
        ready = ready && console->isReady();
    if (!ready && error)
        *error = QStringLiteral("cannot bind the sender's loopback sockets: %1").arg(strerror(errno));
    return ready;
}

void FloodSender::notePacketSent(FloodReport& report)
{
    const qint64 now = monotonicNs();
    if (report.firstSendNs == 0)
        report.firstSendNs = now;
    report.lastSendNs = now;
}

void FloodSender::sendPolls(qint64 due, FloodReport& report)
{
    const QByteArray poll = ArtNetPacket::buildPoll();
    const sockaddr_in to = loopbackAddress(Destination, port);
    for (; pollsScheduled < due; ++pollsScheduled) {
        if (sendOne(pollSocket, poll, to)) {
            ++report.pollsSent;
            notePacketSent(report);
        } else {
            ++report.sendErrors;
        }
    }
}

void FloodSender::sendTimecode(int sender, qint64 due, FloodReport& report)
{
    qint64& frame = framesScheduled[size_t(sender)];
    for (; frame < due; ++frame) {
        const ArtTimecode timecode = timecodeAtFrame(frame);
        const qint64 sentNs = monotonicNs();
        if (consoles[size_t(sender)]->send(timecode)) {
            ++report.timecodeSent;
            report.timecodeSends.append({sender, frame, sentNs});
            notePacketSent(report);
        } else {
            ++report.sendErrors;
        }
    }
}

void FloodSender::sendDmx(qint64 due, FloodReport& report)
{
    sockaddr_in to = loopbackAddress(Destination, port);
    mmsghdr messages[BatchSize]{};
    iovec vectors[BatchSize]{};

    while (dmxScheduled < due) {
        const int count = int(qMin<qint64>(BatchSize, due - dmxScheduled));
        for (int i = 0; i < count; ++i) {
            const qint64 index = dmxScheduled + i;
            const QByteArray& packet = dmxTemplates[size_t(index % settings.universes)];
            // Each datagram gets its own copy, so that a batch may hold one universe twice with
            // different sequence numbers.
            char* slot = dmxSlots.data() + size_t(i) * ArtNetPacket::DmxPacketSize;
            std::memcpy(slot, packet.constData(), size_t(packet.size()));
            slot[ArtNetPacket::Offset::Sequence] = char(index / settings.universes % 255 + 1);
            vectors[i] = {slot, size_t(packet.size())};
            messages[i] = mmsghdr{};
            messages[i].msg_hdr.msg_name = &to;
            messages[i].msg_hdr.msg_namelen = sizeof to;
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        int offset = 0;
        while (offset < count) {
            const int sent = sendmmsg(dmxSocket, messages + offset, unsigned(count - offset), 0);
            if (sent > 0) {
                offset += sent;
                report.dmxSent += sent;
                notePacketSent(report);
            } else if (sent < 0 && errno == EINTR) {
                continue;
            } else {
                // Counted and skipped: the schedule goes on, so the rate does not drift.
                report.sendErrors += count - offset;
                break;
            }
        }
        dmxScheduled += count;
    }
}

void FloodSender::collectPollReplies(FloodReport& report)
{
    report.repliesObserved = pollSocketOnNodePort;
    char datagram[ArtNetPacket::PollReplySize + 16];
    for (;;) {
        const ssize_t size = recv(pollSocket, datagram, sizeof datagram, MSG_DONTWAIT);
        if (size < 0)
            break;
        const auto header = ArtNetPacket::readHeader(QByteArrayView(datagram, size));
        if (header && header->opCode == quint16(ArtNetPacket::OpCode::PollReply))
            ++report.pollReplies;
    }
}

FloodReport FloodSender::run()
{
    const FloodPlan plan(settings.datagramsPerSecond, settings.durationNs);
    FloodReport report;
    const qint64 start = monotonicNs() + StartDelayNs;
    for (qint64 batch = 0;; ++batch) {
        const qint64 elapsed = batch * settings.batchIntervalNs;
        sleepUntilNs(start + elapsed);
        report.maxLagNs = qMax(report.maxLagNs, monotonicNs() - (start + elapsed));
        sendPolls(plan.pollsDueBy(elapsed), report);
        for (int sender = 0; sender < FloodPlan::TimecodeSenders; ++sender)
            sendTimecode(sender, plan.timecodeFramesDueBy(sender, elapsed), report);
        sendDmx(plan.dmxDueBy(elapsed), report);
        if (elapsed >= plan.durationNs())
            break;
    }
    // The last poll was answered long ago; a short wait covers a node that is behind.
    sleepUntilNs(monotonicNs() + 100'000'000);
    collectPollReplies(report);
    return report;
}
