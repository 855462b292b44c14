// Feeds arbitrary datagrams to the Art-Net node's receive dispatch.
//
// Input: the first byte picks the sender, 127.0.0.<byte>; the rest is the datagram. That makes
// 256 possible senders, more than the node's table of timecode senders takes, so the cap on it is
// reached as well. All senders are on the loopback network that the node is told it has, so an
// ArtPoll from any of them gets its replies built and handed to the send seam.
//
// One node serves every input, as one node serves every datagram in the program: the timecode
// table, the sync state and the DMX buffers carry over from one input to the next.
#include "artnet/artnet.h"
#include "nodeharness.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QHostAddress>
#include <QUdpSocket>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Buffer sizes that do not end on a universe boundary, so that delivery has to cut the last
// universe short. They are allocated to the exact size, so AddressSanitizer sees any write past
// their end.
// Six universes (five of 512 channels and 340 of a sixth): more than the four ports one poll reply
// can describe, so a poll is answered with two.
constexpr quint32 UniverseBufferBytes = 2900;
constexpr quint16 UniverseStride = 512;
constexpr quint32 PixelCount = 400; // 170 colours a universe: two universes and 60 colours
constexpr quint16 PixelChannelsPerUniverse = 510;

// Created once and never freed: the fuzzer ends the process with exit(), and these stay reachable
// through the pointers until then.
artnet* node = nullptr;
quint8* dmxCopy = nullptr;

// A port that nothing is bound to right now, so that the node's socket does not share one with
// another program (or another fuzzer run) and receive its datagrams.
void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_dispatch: %s\n", what);
    std::abort();
}

// Nothing the node sends leaves the process. What it would send has to go to a peer it heard
// (all on loopback here) and has to be a packet that a peer accepts.
qint64 discardDatagram(const QByteArray& datagram, const QHostAddress& to, quint16 port)
{
    if (!to.isLoopback())
        fail("datagram addressed outside loopback");
    if (port != node->peerPort())
        fail("datagram addressed to another port than the Art-Net peers'");
    if (!ArtNetPacket::readHeader(datagram))
        fail("sent datagram is not an Art-Net packet");
    return datagram.size();
}

void discardDebugMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Every sync packet writes a debug line; millions of them would bury the fuzzer's own output.
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Qt may take its own options out of argc/argv; libFuzzer's stay untouched in a copy.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz_dispatch")), nullptr};
    new QCoreApplication(qtArgc, qtArgv);
    qInstallMessageHandler(discardDebugMessages);

    NodeEnvironment environment;
    environment.port = freeUdpPort();
    if (environment.port == 0)
        fail("no free UDP port on loopback");
    // A hardware address, so that poll replies are built in full.
    environment.listInterfaces = [] {
        return QList<DescribedInterface>{
            describedInterface(QStringLiteral("00:1A:2B:3C:4D:5E"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("255.0.0.0"), QStringLiteral("127.255.255.255"))};
    };
    environment.writeDiagnostic = [](const QString&) {};
    environment.sendDatagram = discardDatagram;
    node = new artnet(environment);

    // Every handler live: DMX input with both kinds of caller buffer, and poll answering. The
    // input starts at the second universe (index 1), so that packets for universe 0 fall below it.
    if (!node->enableDmxInput() || !node->setInputUniverse(2))
        fail("DMX input set-up failed");
    node->setUniverseBuffer(new quint8[UniverseBufferBytes](), UniverseBufferBytes, UniverseStride);
    node->setPixelBuffer(new PixelColour[PixelCount], PixelCount, PixelChannelsPerUniverse);
    node->setReplyToPoll(true);
    if (!node->replyToPoll() || node->universeBuffer() == nullptr || node->pixelBuffer() == nullptr)
        fail("node set-up incomplete");
    dmxCopy = new quint8[ArtNetPacket::MaxDmxChannels];
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QHostAddress sender(quint32(0x7F000000u | data[0]));
    node->dispatchPacket(QByteArrayView(data + 1, qsizetype(size - 1)), sender);

    // What the display and a DMX reader would do next, and what must hold for them.
    const int sources = node->timecodeSourceCount();
    if (sources > artnet::MaxTimecodeSources)
        fail("timecode table grew past its cap");
    ArtTimecode timecode;
    QHostAddress from;
    int listed = 0;
    while (node->getTimecodeSource(&timecode, &from, listed)) {
        if (!from.isLoopback())
            fail("timecode source with an address that never sent");
        ++listed;
    }
    if (listed != sources)
        fail("getTimecodeSource disagrees with the table size");
    if (node->hasNewDmxInput()) {
        quint16 length = ArtNetPacket::MaxDmxChannels;
        if (!node->readDmxInput(dmxCopy, &length) || length > ArtNetPacket::MaxDmxChannels)
            fail("readDmxInput failed on new data");
    }
    return 0;
}
