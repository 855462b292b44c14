#include "barereceiver.h"

#include "benchclock.h"

#include "artnet/artnetpacket.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// How long one blocking receive waits before the loop looks at the sender again.
constexpr long PollSenderUs = 20'000;

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

struct BareReceiver::Buffers
{
    std::vector<char> data = std::vector<char>(size_t(Capacity) * MaxDatagramSize);
    mmsghdr messages[Capacity]{};
    iovec vectors[Capacity]{};
    sockaddr_in senders[Capacity]{};
};

BareReceiver::BareReceiver() : buffers(std::make_unique<Buffers>())
{
    for (int i = 0; i < Capacity; ++i)
        buffers->vectors[i] = {buffers->data.data() + size_t(i) * MaxDatagramSize, MaxDatagramSize};
}

BareReceiver::~BareReceiver()
{
    if (descriptor >= 0)
        close(descriptor);
}

bool BareReceiver::open(int receiveBufferBytes, QString* error)
{
    descriptor = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        *error = systemError("socket");
        return false;
    }
    const int on = 1;
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    getsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    // The kernel doubles what it grants for its bookkeeping; less than double means rmem_max cut it.
    if (granted < 2 * receiveBufferBytes && geteuid() == 0)
        forced = setsockopt(descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBufferBytes,
                            sizeof receiveBufferBytes) == 0;
    const timeval wait{0, PollSenderUs};
    setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = systemError("bind");
        return false;
    }
    length = sizeof local;
    getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &length);
    boundPort = ntohs(local.sin_port);
    return true;
}

void BareReceiver::noteTimecode(int received)
{
    qint64 now = 0;
    for (int i = 0; i < received; ++i) {
        const QByteArrayView datagram(buffers->data.data() + size_t(i) * MaxDatagramSize,
                                      qMin<qsizetype>(buffers->messages[i].msg_len, MaxDatagramSize));
        // Two bytes of the op-code are all the look a datagram of another kind gets.
        if (datagram.size() < ArtNetPacket::TimecodeSize ||
            quint8(datagram[ArtNetPacket::Offset::OpCode + 1]) != 0x97)
            continue;
        const std::optional<ArtNetPacket::Header> header = ArtNetPacket::readHeader(datagram);
        if (!header || header->opCode != quint16(ArtNetPacket::OpCode::TimeCode))
            continue;
        if (now == 0)
            now = monotonicNs();
        arrivals.push_back(
            {ntohl(buffers->senders[i].sin_addr.s_addr), ArtNetPacket::readTimecode(datagram), now});
    }
}

bool BareReceiver::receiveUntil(const std::function<bool()>& senderDone, QString* error)
{
    bool draining = false;
    for (;;) {
        for (int i = 0; i < Capacity; ++i) {
            msghdr& header = buffers->messages[i].msg_hdr;
            header = msghdr{};
            header.msg_iov = &buffers->vectors[i];
            header.msg_iovlen = 1;
            header.msg_name = &buffers->senders[i];
            header.msg_namelen = sizeof(sockaddr_in);
        }
        const int flags = draining ? MSG_DONTWAIT : MSG_WAITFORONE;
        const int received = recvmmsg(descriptor, buffers->messages, Capacity, flags, nullptr);
        if (received > 0) {
            count += received;
            noteTimecode(received);
            continue;
        }
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            *error = systemError("recvmmsg");
            return false;
        }
        // Nothing arrived for a while. Once the sender has gone, its datagrams are all queued
        // already (loopback delivers while sending), so one non-blocking pass takes the rest.
        if (draining)
            return true;
        draining = senderDone();
    }
}
