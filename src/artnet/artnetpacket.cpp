#include "artnetpacket.h"

#include "bytefields.h"

#include <cstring>

namespace ArtNetPacket {

namespace {

constexpr char ArtNetId[IdSize] = {'A', 'r', 't', '-', 'N', 'e', 't', '\0'};
constexpr char MadrixId[IdSize] = {'M', 'a', 'd', 'r', 'i', 'x', 'N', '\0'};

bool hasId(QByteArrayView datagram, const char (&id)[IdSize])
{
    return datagram.size() >= IdSize && std::memcmp(datagram.data(), id, IdSize) == 0;
}

// Names are sent as 8-bit text, cut so that the field always keeps a terminating zero.
void writeName(QByteArray& packet, int offset, const QString& name, int maxLength)
{
    const QByteArray text = name.toLatin1().left(maxLength);
    std::memcpy(packet.data() + offset, text.constData(), size_t(text.size()));
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

std::optional<Header> readHeader(QByteArrayView datagram)
{
    if (datagram.size() < MinimumDatagramSize)
        return std::nullopt;
    const quint16 opCode = ByteFields::readLittleEndian16(datagram, Offset::OpCode);
    if (hasId(datagram, ArtNetId))
        return Header{PacketId::ArtNet, opCode};
    if (hasId(datagram, MadrixId))
        return Header{PacketId::MadrixN, opCode};
    return std::nullopt;
}

ArtTimecode readTimecode(QByteArrayView datagram)
{
    ArtTimecode timecode;
    timecode.frames = ByteFields::byteAt(datagram, Offset::Frames);
    timecode.seconds = ByteFields::byteAt(datagram, Offset::Seconds);
    timecode.minutes = ByteFields::byteAt(datagram, Offset::Minutes);
    timecode.hours = ByteFields::byteAt(datagram, Offset::Hours);
    timecode.type = ByteFields::byteAt(datagram, Offset::Type);
    return timecode;
}

DmxPayload readDmx(QByteArrayView datagram)
{
    const QByteArrayView packet = datagram.first(qMin<qsizetype>(datagram.size(), DmxPacketSize));
    DmxPayload payload;
    payload.universe = ByteFields::readLittleEndian16(packet, Offset::SubUni);
    const int count = qMin<int>(ByteFields::readBigEndian16(packet, Offset::LengthHi), MaxDmxChannels);
    payload.channels = QByteArray(count, '\0');
    const qsizetype available = qBound(qsizetype(0), packet.size() - Offset::DmxData, qsizetype(count));
    if (available > 0)
        std::memcpy(payload.channels.data(), packet.data() + Offset::DmxData, size_t(available));
    return payload;
}

quint8 readSyncFlag(QByteArrayView datagram)
{
    return ByteFields::byteAt(datagram, Offset::SyncFlag);
}

QByteArray sendHeader(OpCode opCode)
{
    QByteArray header(SendHeaderSize, '\0');
    std::memcpy(header.data(), ArtNetId, IdSize);
    ByteFields::writeLittleEndian16(header, Offset::OpCode, quint16(opCode));
    header[Offset::ProtVerHi] = 0;
    header[Offset::ProtVerLo] = char(ProtocolVersion);
    return header;
}

QByteArray buildPoll()
{
    QByteArray packet = sendHeader(OpCode::Poll).left(PollSize);
    packet[Offset::TalkToMe] = 0;
    packet[Offset::Priority] = 0;
    return packet;
}

QByteArray buildPollReply(const PollReplyFields& fields)
{
    QByteArray packet(PollReplySize, '\0');
    std::memcpy(packet.data(), ArtNetId, IdSize);
    ByteFields::writeLittleEndian16(packet, Offset::OpCode, quint16(OpCode::PollReply));
    ByteFields::writeBigEndian32(packet, Offset::IpAddress, fields.ipAddress);
    ByteFields::writeLittleEndian16(packet, Offset::ReplyPort, DefaultPort);
    packet[Offset::VersInfoH] = char(fields.versInfoH);
    packet[Offset::VersInfoL] = char(fields.versInfoL);
    packet[Offset::OemHi] = char(fields.oemHi);
    packet[Offset::Oem] = char(fields.oemLo);
    writeName(packet, Offset::ShortName, fields.shortName, ShortNameLength);
    writeName(packet, Offset::LongName, fields.longName, LongNameLength);
    writeName(packet, Offset::NodeReport, fields.nodeReport, LongNameLength);
    packet[Offset::NumPortsLo] = char(fields.numPorts);
    for (int k = 0; k < 4; ++k) {
        // Every port is described as a DMX output, whatever the number of ports says.
        packet[Offset::PortTypes + k] = char(0x85);
        packet[Offset::GoodOutput + k] = char(0x80);
        packet[Offset::SwOut + k] = char(fields.swOut[size_t(k)]);
    }
    for (int i = 0; i < 6; ++i)
        packet[Offset::Mac + i] = char(fields.mac[size_t(i)]);
    packet[Offset::BindIndex] = char(fields.bindIndex);
    return packet;
}

QByteArray buildDmx(QByteArrayView channels, quint8 subUni, quint8 net)
{
    QByteArray packet = sendHeader(OpCode::Dmx);
    packet[Offset::Sequence] = 0;
    packet[Offset::Physical] = 0;
    packet[Offset::SubUni] = char(subUni);
    packet[Offset::Net] = char(net);
    ByteFields::writeBigEndian16(packet, Offset::LengthHi, quint16(channels.size()));
    packet.append(channels.data(), channels.size());
    return packet;
}

QByteArray buildTimecode(const ArtTimecode& timecode)
{
    QByteArray packet = sendHeader(OpCode::TimeCode);
    packet.append(QByteArray(TimecodeSize - SendHeaderSize, '\0'));
    packet[Offset::Frames] = char(timecode.frames);
    packet[Offset::Seconds] = char(timecode.seconds);
    packet[Offset::Minutes] = char(timecode.minutes);
    packet[Offset::Hours] = char(timecode.hours);
    packet[Offset::Type] = char(timecode.type);
    return packet;
}

std::array<quint8, 6> parseMacAddress(const QString& hardwareAddress)
{
    QString digits = hardwareAddress;
    digits.remove(QLatin1Char(':'));
    std::array<quint8, 6> mac{};
    for (int i = 0; i < 6; ++i) {
        quint8 value = 0;
        for (int position = 2 * i; position <= 2 * i + 1; ++position) {
            if (position >= digits.size())
                continue;
            // Platforms differ in the letter case of hardware addresses; both mean the same bytes.
            const int digit = hexDigitValue(digits.at(position));
            if (digit >= 0)
                value = quint8((value << 4) + digit);
        }
        mac[size_t(i)] = value;
    }
    return mac;
}

} // namespace ArtNetPacket
