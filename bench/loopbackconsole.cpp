#include "loopbackconsole.h"

#include "timecodedatagram.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackConsole::LoopbackConsole(quint32 source, quint16 nodePort)
{
    socketDescriptor = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(source);
    bound = (source >> 24) == 127 && socketDescriptor >= 0 &&
            ::bind(socketDescriptor, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    node.sin_family = AF_INET;
    node.sin_port = htons(nodePort);
    node.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}

LoopbackConsole::~LoopbackConsole()
{
    if (socketDescriptor >= 0)
        ::close(socketDescriptor);
}

void LoopbackConsole::send(int seconds, int frames)
{
    if (!bound)
        return;
    const QByteArray datagram = timecodeDatagram(timecodeAtFrame(qint64(seconds) * 30 + frames));
    ::sendto(socketDescriptor, datagram.constData(), size_t(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&node), sizeof node);
}
