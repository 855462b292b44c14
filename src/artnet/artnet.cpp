#include "artnet.h"

#include "diagnostics/linewriter.h"

#include <QDebug>
#include <QStringList>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <utility>

using ArtNetPacket::OpCode;

namespace {

// First-time notices are written once per process, however many nodes it makes.
struct FirstNotices
{
    bool artNetSyncPre = true;
    bool artNetSyncPost = true;
    bool madrixSyncPre = true;
    bool madrixSyncPost = true;
    bool timecode = true;
};
FirstNotices firstNotices;

// The same usable addresses, whatever else the platform reports of them (such as the
// remaining lifetime of a DHCP lease, which changes at every look).
bool sameInterfaces(const QList<InterfaceEntry>& a, const QList<InterfaceEntry>& b)
{
    return std::equal(
        a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const InterfaceEntry& x, const InterfaceEntry& y) {
            return x.entry.ip() == y.entry.ip() && x.entry.netmask() == y.entry.netmask() &&
                   x.entry.broadcast() == y.entry.broadcast() && x.hardwareAddress == y.hardwareAddress;
        });
}

quint32 unitsFor(quint64 amount, quint16 perUnit)
{
    // A caller may register a buffer with zero channels per universe; that announces nothing
    // instead of dividing by zero.
    return perUnit == 0 ? 0 : quint32((amount + perUnit - 1) / perUnit);
}

} // namespace

artnet::artnet(NodeEnvironment environment) : environment(std::move(environment))
{
    if (!this->environment.listInterfaces)
        this->environment.listInterfaces = systemInterfaces;
    if (!this->environment.clockMs) {
        steadyClock.start();
        this->environment.clockMs = [this] { return steadyClock.elapsed(); };
    }
    if (!this->environment.startRepeatingTimer) {
        this->environment.startRepeatingTimer = [this](int intervalMs, std::function<void()> tick) {
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, std::move(tick));
            timer->start(intervalMs);
        };
    }
    lastSyncMs = this->environment.clockMs();
    discoverInterfaces();
    this->environment.startRepeatingTimer(InterfaceCheckIntervalMs, [this] { rediscoverInterfaces(); });
}

artnet::~artnet()
{
    if (sendReady) {
        dmxTemplate.clear();
        lastPacket.clear();
        lastPacketValid = false;
        lastDestination.reset();
        sendReady = false;
    }
    if (dmxInputEnabled)
        dmxInput.clear();
    if (socketReady)
        closeSocket();
    {
        QMutexLocker lock(&universeLock);
        universe = UniverseInput();
    }
    {
        QMutexLocker lock(&pixelLock);
        pixel = PixelInput();
    }
    interfaceList.clear();
    timecodeSources.clear();
}

void artnet::writeDiagnostic(const QString& line) const
{
    if (environment.writeDiagnostic)
        environment.writeDiagnostic(line);
    else
        writeStandardOutputLine(line);
}

void artnet::setNodeNames(const QString& shortName, const QString& longName)
{
    shortNameText = shortName;
    longNameText = longName;
}

void artnet::setReplyToPoll(bool on)
{
    replyToPollRequested = on;
    if (on == replyToPollOn)
        return;
    if (!on) {
        replyToPollOn = false;
        return;
    }
    replyToPollOn = openSocket();
}

quint16 artnet::port() const
{
    return environment.port == 0 && socket ? socket->localPort() : environment.port;
}

bool artnet::openSocket()
{
    if (socketReady)
        return true;
    if (socket)
        return false;

    socket = new QUdpSocket(this);
    // AnyIPv4, not Any: a dual-stack socket would report senders as ::ffff:a.b.c.d.
    const QUdpSocket::BindMode shared = QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint;
    bool bound = false;
    if (shareBind) {
        bound = socket->bind(QHostAddress::AnyIPv4, environment.port, shared);
    } else {
        bound = socket->bind(QHostAddress::AnyIPv4, environment.port, QUdpSocket::DefaultForPlatform) ||
                socket->bind(QHostAddress::AnyIPv4, environment.port, shared);
    }
    if (!bound) {
        if (!std::exchange(bindFailureReported, true))
            writeDiagnostic(
                QStringLiteral("Art-Net: cannot open UDP port %1 (%2); another program may hold it. "
                               "Trying again.")
                    .arg(environment.port)
                    .arg(socket->errorString()));
        delete socket;
        socket = nullptr;
        return false;
    }
    if (std::exchange(bindFailureReported, false))
        writeDiagnostic(QStringLiteral("Art-Net: UDP port %1 open").arg(port()));
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(ReceiveBufferBytes));
    socketReady = bool(connect(socket, &QUdpSocket::readyRead, this, &artnet::readPackage));
    // A request to answer polls made while the port was taken takes effect now.
    if (socketReady && replyToPollRequested)
        replyToPollOn = true;
    return true;
}

void artnet::closeSocket()
{
    if (!socket)
        return;
    disconnect(socket, &QUdpSocket::readyRead, this, &artnet::readPackage);
    socket->close();
    delete socket;
    socket = nullptr;
    socketReady = false;
}

bool artnet::discoverInterfaces()
{
    if (interfacesDiscovered)
        return true;
    interfaceList = discoverUsableInterfaces(environment.listInterfaces(),
                                             [this](const QString& line) { writeDiagnostic(line); });
    interfacesDiscovered = true;
    return true;
}

bool artnet::rediscoverInterfaces()
{
    QStringList lines;
    QList<InterfaceEntry> found = discoverUsableInterfaces(
        environment.listInterfaces(), [&lines](const QString& line) { lines.append(line); });
    if (interfacesDiscovered && sameInterfaces(found, interfaceList))
        return false;
    writeDiagnostic(QStringLiteral("the network addresses of this machine changed, looking again"));
    for (const QString& line : std::as_const(lines))
        writeDiagnostic(line);
    interfaceList = std::move(found);
    interfacesDiscovered = true;
    return true;
}

QString artnet::interfaceAddress(int n) const
{
    if (n < 0 || n >= interfaceList.size())
        return QString();
    return interfaceList.at(n).entry.ip().toString();
}

bool artnet::getTimecodeSource(ArtTimecode* out, QHostAddress* sender, int index)
{
    if (!out)
        return false;
    if (!openSocket())
        return false;
    if (!haveTimecode || index < 0 || index >= timecodeSources.size())
        return false;
    const TimecodeSource& source = timecodeSources.at(index);
    *out = source.timecode;
    if (sender)
        *sender = source.sender;
    return true;
}

void artnet::readPackage()
{
    if (!socket)
        return;
    int handled = 0;
    if (DatagramBatch::isSupported()) {
        if (!batch)
            batch = std::make_unique<DatagramBatch>();
        while (socket && handled < MaxDatagramsPerRead) {
            const int count = batch->receive(socket->socketDescriptor());
            for (int i = 0; i < count; ++i)
                dispatchPacket(batch->datagram(i), batch->sender(i));
            handled += count;
            if (count < DatagramBatch::Capacity)
                break;
        }
        // Not armed again, the notifier stays quiet until readPending() or an arrival reader
        // arms it; a queue longer than one read is a flood, read as it comes.
        if (readOnArrival || handled >= MaxDatagramsPerRead)
            rearmSocketNotifier();
        return;
    }
    while (socket && handled < MaxDatagramsPerRead && socket->hasPendingDatagrams()) {
        QByteArray datagram(qMax<qint64>(socket->pendingDatagramSize(), 0), '\0');
        QHostAddress sender;
        const qint64 size = socket->readDatagram(datagram.data(), datagram.size(), &sender);
        if (size >= 0)
            dispatchPacket(QByteArrayView(datagram).first(size), sender);
        ++handled;
    }
}

void artnet::setReadOnArrival(bool on)
{
    if (std::exchange(readOnArrival, on) == on || !on)
        return;
    rearmSocketNotifier();
}

void artnet::readPending()
{
    if (!readOnArrival)
        readPackage();
}

void artnet::rearmSocketNotifier()
{
    // Qt stops watching the descriptor after readyRead until a datagram is read through the
    // QUdpSocket itself; that read (of a datagram, or of none when the queue is empty) makes it
    // signal again while datagrams are pending.
    if (!socket)
        return;
    char data[DatagramBatch::MaxDatagramSize];
    QHostAddress sender;
    const qint64 size = socket->readDatagram(data, sizeof data, &sender);
    if (size >= 0)
        dispatchPacket(QByteArrayView(data, size), sender);
}

void artnet::dispatchPacket(QByteArrayView datagram, const QHostAddress& sender)
{
    ++datagramsReceived;
    const std::optional<ArtNetPacket::Header> header = ArtNetPacket::readHeader(datagram);
    if (!header)
        return;
    if (headerCopy.isNull())
        headerCopy = QByteArray(ArtNetPacket::DmxPacketSize, '\0');
    std::memcpy(headerCopy.data(), datagram.data(), ArtNetPacket::HeaderSize);

    if (header->id == ArtNetPacket::PacketId::ArtNet)
        handleArtNet(header->opCode, datagram, sender);
    else
        handleMadrix(header->opCode, datagram);
}

void artnet::handleArtNet(quint16 opCode, QByteArrayView datagram, const QHostAddress& sender)
{
    switch (OpCode(opCode)) {
    case OpCode::Poll:
        if (!replyToPollOn)
            return;
        if (pollCopy.isNull())
            pollCopy = QByteArray(ArtNetPacket::PollSize, '\0');
        pollCopy.fill('\0');
        std::memcpy(pollCopy.data(), datagram.data(),
                    size_t(qMin<qsizetype>(datagram.size(), pollCopy.size())));
        sendPollReply(sender);
        return;
    case OpCode::PollReply:
        writeDiagnostic(QStringLiteral("Art-Net PollReply"));
        return;
    case OpCode::Dmx:
        handleDmx(datagram);
        return;
    case OpCode::SyncPre:
        handleSync(opCode, datagram, std::exchange(firstNotices.artNetSyncPre, false),
                   "receiving Art-Net SYNC PRE ...", "MadrixN SYNC PRE ");
        return;
    case OpCode::SyncPost:
        handleSync(opCode, datagram, std::exchange(firstNotices.artNetSyncPost, false),
                   "receiving Art-Net SYNC POST ...", "MadrixN SYNC PRO ");
        return;
    case OpCode::TimeCode:
        if (std::exchange(firstNotices.timecode, false))
            writeDiagnostic(QStringLiteral("receiving Art-Net TIMECODE ..."));
        updateTimecode(ArtNetPacket::readTimecode(datagram), sender);
        return;
    }
    writeDiagnostic(QStringLiteral("receive not implemented OpCode at time 0x%1")
                        .arg(QString::number(opCode, 16).toUpper()));
}

void artnet::handleMadrix(quint16 opCode, QByteArrayView datagram)
{
    if (OpCode(opCode) == OpCode::SyncPre)
        handleSync(opCode, datagram, std::exchange(firstNotices.madrixSyncPre, false),
                   "receiving MadrixN SYNC PRE ...", "MadrixN SYNC PRE ");
    else if (OpCode(opCode) == OpCode::SyncPost)
        handleSync(opCode, datagram, std::exchange(firstNotices.madrixSyncPost, false),
                   "receiving MadrixN SYNC POST ...", "MadrixN SYNC POST ");
}

void artnet::handleSync(quint16, QByteArrayView datagram, bool firstNotice, const char* notice,
                        const char* debugText)
{
    if (firstNotice)
        writeDiagnostic(QString::fromLatin1(notice));
    applySync(ArtNetPacket::readSyncFlag(datagram));
    qDebug("%s", debugText);
}

int artnet::quietestSource(qint64 nowMs) const
{
    int quietest = -1;
    for (int index = 0; index < timecodeSources.size(); ++index) {
        const qint64 heard = timecodeSources.at(index).lastHeardMs;
        if (nowMs - heard > ReplaceQuietSenderAfterMs &&
            (quietest < 0 || heard < timecodeSources.at(quietest).lastHeardMs))
            quietest = index;
    }
    return quietest;
}

void artnet::updateTimecode(const ArtTimecode& timecode, const QHostAddress& sender)
{
    const qint64 nowMs = environment.clockMs();
    bool matched = false;
    for (int index = 0; index < timecodeSources.size(); ++index) {
        if (timecodeSources[index].sender == sender) {
            timecodeSources[index].timecode = timecode;
            timecodeSources[index].lastHeardMs = nowMs;
            matched = true;
            emit timecodeReceived(index, timecode);
        }
    }
    if (matched)
        return;
    if (timecodeSources.size() >= MaxTimecodeSources) {
        const int replaced = quietestSource(nowMs);
        if (replaced < 0) {
            if (!std::exchange(timecodeTableFullReported, true))
                writeDiagnostic(
                    QStringLiteral("timecode from more than %1 senders, ignoring new sender %2 while "
                                   "every sender is still heard")
                        .arg(MaxTimecodeSources)
                        .arg(sender.toString()));
            return;
        }
        TimecodeSource& source = timecodeSources[replaced];
        writeDiagnostic(QStringLiteral("timecode from more than %1 senders: %2 takes the place of %3, "
                                       "quiet for %4 s")
                            .arg(MaxTimecodeSources)
                            .arg(sender.toString(), source.sender.toString())
                            .arg((nowMs - source.lastHeardMs) / 1000));
        source = {timecode, sender, nowMs};
        emit senderReplaced(replaced);
        emit timecodeReceived(replaced, timecode);
        return;
    }
    timecodeSources.append({timecode, sender, nowMs});
    haveTimecode = true;
    emit timecodeReceived(int(timecodeSources.size()) - 1, timecode);
}

bool artnet::enableDmxInput()
{
    if (!openSocket())
        return false;
    if (dmxInput.isNull())
        dmxInput = QByteArray(ArtNetPacket::MaxDmxChannels, '\0');
    dmxInputEnabled = true;
    return true;
}

bool artnet::setInputUniverse(quint16 universeNumber)
{
    if (universeNumber == 0)
        return false;
    const quint16 index = quint16(universeNumber - 1);
    if (index != inputUniverseIndex) {
        inputUniverseIndex = index;
        dmxInputLength = 0;
        dmxInputNewData = 0;
    }
    return true;
}

bool artnet::readDmxInput(quint8* destination, quint16* length)
{
    if (!dmxInputEnabled || dmxInput.isNull() || !destination || !length || *length == 0)
        return false;
    if (dmxInputLength < *length)
        *length = dmxInputLength;
    std::memcpy(destination, dmxInput.constData(), *length);
    dmxInputNewData = 0;
    return true;
}

void artnet::setUniverseBuffer(quint8* buffer, quint32 length, quint16 channelsPerUniverse)
{
    if (buffer) {
        if (!dmxInputEnabled)
            return;
        QMutexLocker lock(&universeLock);
        universe.buffer = buffer;
        universe.length = length;
        universe.channelsPerUniverse = channelsPerUniverse;
        universe.shadow = QByteArray(qsizetype(length), '\0');
        return;
    }
    QMutexLocker lock(&universeLock);
    universe.buffer = nullptr;
    universe.length = 0;
    universe.channelsPerUniverse = 512;
    universe.shadow = QByteArray();
}

void artnet::setPixelBuffer(PixelColour* pixels, quint32 count, quint16 channelsPerUniverse)
{
    if (pixels) {
        if (!dmxInputEnabled)
            return;
        QMutexLocker lock(&pixelLock);
        pixel.pixels = pixels;
        pixel.count = count;
        pixel.channelsPerUniverse = channelsPerUniverse;
        pixel.shadow = QList<PixelColour>(qsizetype(count));
        return;
    }
    QMutexLocker lock(&pixelLock);
    pixel.pixels = nullptr;
    pixel.count = 0;
    pixel.channelsPerUniverse = 512;
    pixel.shadow = QList<PixelColour>();
}

void artnet::handleDmx(QByteArrayView datagram)
{
    if (dmxInput.isNull())
        return;
    const ArtNetPacket::DmxPayload payload = ArtNetPacket::readDmx(datagram);
    if (payload.universe == inputUniverseIndex) {
        std::memcpy(dmxInput.data(), payload.channels.constData(), size_t(payload.channels.size()));
        dmxInputLength = quint16(payload.channels.size());
        dmxInputNewData = 1;
    }
    deliverToUniverseBuffer(payload.universe, payload.channels);
    deliverToPixelBuffer(payload.universe, payload.channels);
}

void artnet::applySync(quint8 flag)
{
    lastSyncMs = environment.clockMs();
    universe.syncFlag = flag;
    {
        QMutexLocker lock(&universeLock);
        if (!universe.shadow.isEmpty() && universe.length != 0 && universe.buffer)
            std::memcpy(universe.buffer, universe.shadow.constData(), universe.length);
    }
    pixel.syncFlag = flag;
    {
        QMutexLocker lock(&pixelLock);
        if (!pixel.shadow.isEmpty() && pixel.count != 0 && pixel.pixels)
            std::copy(pixel.shadow.cbegin(), pixel.shadow.cend(), pixel.pixels);
    }
}

bool artnet::syncHolds(quint16& syncFlag)
{
    if (syncFlag == 0)
        return false;
    // A sender that stopped syncing must not freeze the input: after three seconds without a
    // sync packet the data goes straight through again.
    if (environment.clockMs() - lastSyncMs <= SyncHoldMs)
        return true;
    syncFlag = 0;
    return false;
}

void artnet::deliverToUniverseBuffer(quint16 universeNumber, const QByteArray& channels)
{
    if (!universe.buffer || universeNumber < inputUniverseIndex)
        return;
    const quint32 stride = qMin<quint32>(universe.channelsPerUniverse, ArtNetPacket::MaxDmxChannels);
    const quint64 offset = quint64(universeNumber - inputUniverseIndex) * stride;
    const bool toShadow = syncHolds(universe.syncFlag);
    QMutexLocker lock(&universeLock);
    if (offset >= universe.length)
        return;
    const quint64 amount =
        qMin<quint64>(qMin<quint64>(stride, quint64(channels.size())), universe.length - offset);
    if (toShadow) {
        if (universe.shadow.size() != qsizetype(universe.length))
            universe.shadow = QByteArray(qsizetype(universe.length), '\0');
        std::memcpy(universe.shadow.data() + offset, channels.constData(), size_t(amount));
    } else {
        std::memcpy(universe.buffer + offset, channels.constData(), size_t(amount));
    }
}

void artnet::deliverToPixelBuffer(quint16 universeNumber, const QByteArray& channels)
{
    if (!pixel.pixels || universeNumber < inputUniverseIndex)
        return;
    const quint32 coloursPerUniverse =
        qMin<quint32>(pixel.channelsPerUniverse / 3, ArtNetPacket::MaxDmxChannels);
    const quint64 first = quint64(universeNumber - inputUniverseIndex) * coloursPerUniverse;
    const bool toShadow = syncHolds(pixel.syncFlag);
    QMutexLocker lock(&pixelLock);
    if (first >= pixel.count)
        return;
    if (toShadow && pixel.shadow.size() != qsizetype(pixel.count))
        pixel.shadow = QList<PixelColour>(qsizetype(pixel.count));
    PixelColour* target = toShadow ? pixel.shadow.data() : pixel.pixels;
    const quint64 colours = qMin<quint64>(
        qMin<quint64>(coloursPerUniverse, (quint64(channels.size()) + 2) / 3), pixel.count - first);
    for (quint64 c = 0; c < colours; ++c) {
        PixelColour& colour = target[first + c];
        const qsizetype base = qsizetype(c * 3);
        colour.red = quint8(channels[base]);
        if (base + 1 < channels.size())
            colour.green = quint8(channels[base + 1]);
        if (base + 2 < channels.size())
            colour.blue = quint8(channels[base + 2]);
    }
}

bool artnet::prepareSend()
{
    if (!openSocket())
        return false;
    if (!sendReady) {
        if (dmxTemplate.isNull()) {
            dmxTemplate = ArtNetPacket::sendHeader(OpCode::Dmx);
            dmxTemplate.append(QByteArray(ArtNetPacket::DmxPacketSize - ArtNetPacket::SendHeaderSize, '\0'));
        }
        if (lastPacket.isNull()) {
            lastPacket = QByteArray(ArtNetPacket::DmxPacketSize, '\0');
            lastPacket.truncate(0);
            lastPacketValid = false;
        }
        // sendReady is set once only, so the timer is started once.
        environment.startRepeatingTimer(SendIntervalMs, [this] { sendDataTimeout(); });
        sendReady = true;
    }
    return true;
}

qint64 artnet::sendDatagram(const char* data, quint16 length, const QHostAddress* destination)
{
    if (!data)
        return -2;
    if (length == 0)
        return -3;
    QHostAddress to;
    if (destination) {
        to = *destination;
    } else {
        if (interfaceList.isEmpty())
            return -3;
        to = interfaceList.first().entry.broadcast();
    }
    const QByteArray datagram = QByteArray::fromRawData(data, length);
    if (environment.sendDatagram)
        return environment.sendDatagram(QByteArray(data, length), to, peerPort());
    if (!socket)
        return -1;
    return socket->writeDatagram(datagram, to, peerPort());
}

bool artnet::isBroadcastOrMulticast(const QHostAddress& address) const
{
    const quint32 value = address.toIPv4Address();
    if (value == 0xFFFFFFFF || (value & 0xF0000000) == 0xE0000000)
        return true;
    for (const InterfaceEntry& candidate : interfaceList) {
        const quint32 ip = candidate.entry.ip().toIPv4Address();
        const quint32 mask = candidate.entry.netmask().toIPv4Address();
        if (value == candidate.entry.broadcast().toIPv4Address() || value == (ip | ~mask))
            return true;
    }
    return false;
}

qint64 artnet::sendPollReply(const QHostAddress& poller)
{
    // A poll claiming to come from a broadcast or multicast address is spoofed (no node sends
    // from one), and the "unicast" answer would go to the whole subnet: a poll flood would turn
    // the node into an amplifier aimed at everyone on the show network.
    if (isBroadcastOrMulticast(poller)) {
        if (!std::exchange(broadcastPollReported, true))
            writeDiagnostic(
                QStringLiteral("ignoring polls from broadcast and multicast addresses (the first: ") +
                poller.toString() + QStringLiteral(")"));
        return -1;
    }
    if (!prepareSend() || !discoverInterfaces())
        return -1;
    const quint32 pollerValue = poller.toIPv4Address();
    const InterfaceEntry* answering = nullptr;
    for (const InterfaceEntry& candidate : interfaceList) {
        const quint32 mask = candidate.entry.netmask().toIPv4Address();
        if ((pollerValue & mask) == (candidate.entry.ip().toIPv4Address() & mask)) {
            answering = &candidate;
            break;
        }
    }
    if (!answering)
        return -1;

    quint32 universes = 0;
    {
        QMutexLocker lock(&universeLock);
        universes = unitsFor(universe.length, universe.channelsPerUniverse);
    }
    {
        QMutexLocker lock(&pixelLock);
        universes = qMax(universes, unitsFor(quint64(pixel.count) * 3, pixel.channelsPerUniverse));
    }
    if (universes == 0 && dmxInputEnabled)
        universes = 1;

    ArtNetPacket::PollReplyFields fields;
    fields.ipAddress = answering->entry.ip().toIPv4Address();
    fields.versInfoH = versInfoH;
    fields.versInfoL = versInfoL;
    fields.oemHi = oemHi;
    fields.oemLo = oemLo;
    fields.shortName = shortNameText;
    fields.longName = longNameText;
    fields.nodeReport = nodeReportText;
    fields.mac = ArtNetPacket::parseMacAddress(answering->hardwareAddress);

    const QString answeringIp = answering->entry.ip().toString();
    quint32 first = inputUniverseIndex;
    quint32 left = universes;
    for (quint32 replyIndex = 0;; ++replyIndex) {
        if (!pollCopy.isNull()) {
            fields.numPorts = quint8(qMin<quint32>(left, 4));
            for (quint32 k = 0; k < 4; ++k)
                fields.swOut[k] = k < fields.numPorts ? quint8((first + k) & 0xFF) : 0;
            fields.bindIndex = quint8(replyIndex);
            const QByteArray reply = ArtNetPacket::buildPollReply(fields);
            if (sendDatagram(reply.constData(), quint16(reply.size()), &poller) >= 0)
                writeDiagnostic(QStringLiteral("PollReply to ") + poller.toString() +
                                QStringLiteral(" from ") + answeringIp + QStringLiteral(" SubId ") +
                                QString::number(replyIndex));
        }
        if (universes == 0 || left <= 4)
            break;
        first += 4;
        left -= 4;
    }
    return -1;
}

void artnet::sendToAllBroadcasts(const QByteArray& packet, qint64* lastResult)
{
    for (const InterfaceEntry& entry : interfaceList) {
        const QHostAddress broadcast = entry.entry.broadcast();
        const qint64 result = sendDatagram(packet.constData(), quint16(packet.size()), &broadcast);
        if (lastResult)
            *lastResult = result;
    }
}

qint64 artnet::sendDataTimeout()
{
    if (!lastPacketValid)
        return -1;
    if (lastDestination)
        return sendDatagram(lastPacket.constData(), quint16(lastPacket.size()), lastDestination.get());
    sendToAllBroadcasts(lastPacket, nullptr);
    return -1;
}

qint64 artnet::sendPoll()
{
    if (!prepareSend())
        return -1;
    const QByteArray poll = ArtNetPacket::buildPoll();
    qint64 total = 0;
    for (const InterfaceEntry& entry : interfaceList) {
        const QHostAddress broadcast = entry.entry.broadcast();
        const qint64 result = sendDatagram(poll.constData(), quint16(poll.size()), &broadcast);
        if (result < 0)
            continue;
        total += result;
        writeDiagnostic(QStringLiteral("Poll to ") + broadcast.toString() + QStringLiteral(" from ") +
                        entry.entry.ip().toString() + QStringLiteral("/") + entry.entry.netmask().toString());
    }
    return total;
}

qint64 artnet::sendDmx(const quint8* data, quint16 count, quint8 subUni, quint8 net,
                       const QHostAddress* destination)
{
    if (!prepareSend() || !data || count < ArtNetPacket::MinDmxChannels ||
        count > ArtNetPacket::MaxDmxChannels)
        return -1;
    const QByteArray packet =
        ArtNetPacket::buildDmx(QByteArrayView(reinterpret_cast<const char*>(data), count), subUni, net);
    const qint64 result = sendDatagram(packet.constData(), quint16(packet.size()), destination);
    if (result < 0)
        return -1;
    lastPacket = packet;
    lastPacketValid = true;
    if (destination)
        lastDestination = std::make_unique<QHostAddress>(*destination);
    else
        lastDestination.reset();
    return result;
}

qint64 artnet::sendDmxUniverse(const quint8* data, quint16 count, quint16 universeNumber,
                               const QHostAddress* destination)
{
    if (universeNumber == 0)
        return 0;
    const quint16 index = quint16(universeNumber - 1);
    const quint8 subUni = quint8(index & 0xFF);
    const quint8 net = quint8((index >> 8) & 0xFF);
    if (destination)
        return sendDmx(data, count, subUni, net, destination);
    if (interfaceList.isEmpty())
        return 0;
    // An explicit address, so that the repetition goes to this one address too.
    const QHostAddress broadcast = interfaceList.first().entry.broadcast();
    return sendDmx(data, count, subUni, net, &broadcast);
}

qint64 artnet::sendTimecode(const ArtTimecode* timecode, const QHostAddress* destination)
{
    if (!timecode || !prepareSend() || !discoverInterfaces())
        return -1;
    const QByteArray packet = ArtNetPacket::buildTimecode(*timecode);
    if (destination)
        return sendDatagram(packet.constData(), quint16(packet.size()), destination);
    qint64 result = -1;
    sendToAllBroadcasts(packet, &result);
    return result;
}
