#include "timecodesender.h"

#include "artnet/artnetpacket.h"

TimecodeSender::TimecodeSender(const QHostAddress& from, const QHostAddress& to, quint16 port)
    : destination(to), destinationPort(port)
{
    // Port 0: bound to the node's port beside Velmora, the sender would take datagrams meant for it.
    socket.bind(from.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : from, 0);
}

bool TimecodeSender::send(const ArtTimecode& timecode)
{
    const QByteArray datagram = ArtNetPacket::buildTimecode(timecode);
    return socket.writeDatagram(datagram, destination, destinationPort) == datagram.size();
}
