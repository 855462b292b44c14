#include "datagrambatch.h"

#include <vector>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <sys/socket.h>
#endif

struct DatagramBatch::Buffers
{
#ifdef Q_OS_LINUX
    std::vector<char> data = std::vector<char>(size_t(Capacity) * MaxDatagramSize);
    mmsghdr messages[Capacity]{};
    iovec vectors[Capacity]{};
    sockaddr_in senders[Capacity]{};
#endif
};

DatagramBatch::DatagramBatch() : buffers(std::make_unique<Buffers>())
{
#ifdef Q_OS_LINUX
    for (int i = 0; i < Capacity; ++i) {
        buffers->vectors[i].iov_base = buffers->data.data() + size_t(i) * MaxDatagramSize;
        buffers->vectors[i].iov_len = MaxDatagramSize;
    }
#endif
}

DatagramBatch::~DatagramBatch() = default;

bool DatagramBatch::isSupported()
{
#ifdef Q_OS_LINUX
    return true;
#else
    return false;
#endif
}

int DatagramBatch::receive(qintptr socketDescriptor)
{
#ifdef Q_OS_LINUX
    if (socketDescriptor < 0)
        return 0;
    for (int i = 0; i < Capacity; ++i) {
        mmsghdr& message = buffers->messages[i];
        message = mmsghdr{};
        message.msg_hdr.msg_iov = &buffers->vectors[i];
        message.msg_hdr.msg_iovlen = 1;
        message.msg_hdr.msg_name = &buffers->senders[i];
        message.msg_hdr.msg_namelen = sizeof(sockaddr_in);
    }
    const int received = recvmmsg(int(socketDescriptor), buffers->messages, Capacity, MSG_DONTWAIT, nullptr);
    return received > 0 ? received : 0;
#else
    Q_UNUSED(socketDescriptor);
    return 0;
#endif
}

QByteArrayView DatagramBatch::datagram(int index) const
{
#ifdef Q_OS_LINUX
    const qsizetype length = qMin<qsizetype>(buffers->messages[index].msg_len, MaxDatagramSize);
    return QByteArrayView(buffers->data.data() + size_t(index) * MaxDatagramSize, length);
#else
    Q_UNUSED(index);
    return {};
#endif
}

QHostAddress DatagramBatch::sender(int index) const
{
#ifdef Q_OS_LINUX
    const sockaddr_in& address = buffers->senders[index];
    if (address.sin_family != AF_INET)
        return QHostAddress();
    return QHostAddress(ntohl(address.sin_addr.s_addr));
#else
    Q_UNUSED(index);
    return {};
#endif
}
