#pragma once

#include "arttimecode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// The bytes on the wire: every packet the node builds or accepts, as pure functions.
namespace ArtNetPacket {

constexpr quint16 DefaultPort = 6454;

enum class OpCode : quint16
{
    Poll = 0x2000,
    PollReply = 0x2100,
    Dmx = 0x5000,
    SyncPre = 0x5101,
    SyncPost = 0x5202,
    TimeCode = 0x9700,
};

// Some media servers send their sync packets under their own product ID instead of "Art-Net".
enum class PacketId
{
    ArtNet,
    MadrixN,
};

constexpr int IdSize = 8;
constexpr int HeaderSize = 12;
constexpr int MinimumDatagramSize = 13;
constexpr int SendHeaderSize = 18;
constexpr int PollSize = 14;
constexpr int PollReplySize = 240;
constexpr int TimecodeSize = 20;
constexpr int DmxPacketSize = 530;
constexpr int MaxDmxChannels = 512;
constexpr int MinDmxChannels = 2;
constexpr quint8 ProtocolVersion = 14;
constexpr int ShortNameLength = 17; // plus a terminating zero in an 18-byte field
constexpr int LongNameLength = 63;  // plus a terminating zero in a 64-byte field

namespace Offset {
constexpr int OpCode = 8;
constexpr int ProtVerHi = 10;
constexpr int ProtVerLo = 11;
constexpr int SyncFlag = 12;
// ArtPoll
constexpr int TalkToMe = 12;
constexpr int Priority = 13;
// ArtDmx
constexpr int Sequence = 12;
constexpr int Physical = 13;
constexpr int SubUni = 14;
constexpr int Net = 15;
constexpr int LengthHi = 16;
constexpr int DmxData = 18;
// ArtTimeCode
constexpr int Frames = 14;
constexpr int Seconds = 15;
constexpr int Minutes = 16;
constexpr int Hours = 17;
constexpr int Type = 18;
// ArtPollReply
constexpr int IpAddress = 10;
constexpr int ReplyPort = 14;
constexpr int VersInfoH = 16;
constexpr int VersInfoL = 17;
constexpr int OemHi = 20;
constexpr int Oem = 21;
constexpr int ShortName = 26;
constexpr int LongName = 44;
constexpr int NodeReport = 108;
constexpr int NumPortsLo = 173;
constexpr int PortTypes = 174;
constexpr int GoodOutput = 182;
constexpr int SwOut = 190;
constexpr int Mac = 201;
constexpr int BindIndex = 211;
} // namespace Offset

struct Header
{
    PacketId id;
    quint16 opCode;
};

struct DmxPayload
{
    quint16 universe = 0; // SubUni low, Net high
    QByteArray channels;  // at most 512 values; bytes missing from the datagram read as zero
};

struct PollReplyFields
{
    quint32 ipAddress = 0;
    quint8 versInfoH = 0;
    quint8 versInfoL = 0;
    quint8 oemHi = 0;
    quint8 oemLo = 0xFF;
    QString shortName;
    QString longName;
    QString nodeReport;
    quint8 numPorts = 0;
    std::array<quint8, 4> swOut{};
    std::array<quint8, 6> mac{};
    quint8 bindIndex = 0;
};

// Acceptance: at least 13 bytes and one of the two IDs. The op-code is not checked here.
std::optional<Header> readHeader(QByteArrayView datagram);

// Field readers; bytes past the end of the datagram read as zero.
ArtTimecode readTimecode(QByteArrayView datagram);
DmxPayload readDmx(QByteArrayView datagram);
quint8 readSyncFlag(QByteArrayView datagram);

// The 18-byte header every built packet starts from, with the given op-code.
QByteArray sendHeader(OpCode opCode);
QByteArray buildPoll();
QByteArray buildPollReply(const PollReplyFields& fields);
QByteArray buildDmx(QByteArrayView channels, quint8 subUni, quint8 net);
QByteArray buildTimecode(const ArtTimecode& timecode);

// Hardware address text ("00:1A:2B:3C:4D:5E", either letter case) to the six MAC bytes.
std::array<quint8, 6> parseMacAddress(const QString& hardwareAddress);

} // namespace ArtNetPacket
