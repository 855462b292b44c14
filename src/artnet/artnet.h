#pragma once

#include "artnetpacket.h"
#include "arttimecode.h"
#include "datagrambatch.h"
#include "interfacediscovery.h"
#include "interfaceentry.h"
#include "pixelcolour.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class QUdpSocket;

// One timecode sender as the node has heard it: its last timecode and its address.
struct TimecodeSource
{
    ArtTimecode timecode;
    QHostAddress sender;
    qint64 lastHeardMs = 0; // on the node's clock
};

// Sends one datagram; returns the byte count or a negative value on failure.
using DatagramSender =
    std::function<qint64(const QByteArray& datagram, const QHostAddress& to, quint16 port)>;

// A monotonic clock in milliseconds, from any fixed start.
using MillisecondClock = std::function<qint64()>;
// Starts a timer that calls tick every intervalMs for as long as the node lives.
using RepeatingTimerStarter = std::function<void(int intervalMs, std::function<void()> tick)>;

// What the node takes from the platform. The defaults are the real machine: port 6454, its
// network interfaces, standard output, the node's own socket for sending, and real time.
struct NodeEnvironment
{
    quint16 port = ArtNetPacket::DefaultPort; // bound to receive; 0 picks a free port
    quint16 peerPort = 0;                     // where datagrams go; 0: the same as port
    InterfaceLister listInterfaces = systemInterfaces;
    DiagnosticWriter writeDiagnostic;          // empty: standard output
    DatagramSender sendDatagram;               // empty: the node's socket
    MillisecondClock clockMs;                  // empty: a steady clock (sync hold, quiet senders)
    RepeatingTimerStarter startRepeatingTimer; // empty: a QTimer of the node's (ArtDmx, interfaces)
};

// The Art-Net node: one UDP socket, the usable interfaces, the table of timecode senders,
// the answers to ArtPoll, and a DMX input side that the application leaves idle.
class artnet : public QObject
{
    Q_OBJECT

public:
    // A spoofed stream of new source addresses must not grow the table without bound: the
    // display walks it 50 times a second.
    static constexpr int MaxTimecodeSources = 32;
    // With the table full, a new sender takes the place of the one quiet longest, once that one
    // has said nothing for this long: a running or parked console sends every frame, so five
    // seconds of silence is a console that stopped sending or an address heard once (a spoofed
    // one), and a real console that comes later is not locked out by either. Shorter would let a
    // burst of new addresses push out a console that merely lost a few frames.
    static constexpr qint64 ReplaceQuietSenderAfterMs = 5000;
    // How often the machine's addresses are looked at again: a cable plugged in or an address
    // from DHCP after the start is answered from within a few seconds. Listing the interfaces
    // costs one netlink round trip.
    static constexpr int InterfaceCheckIntervalMs = 2000;
    // One readPackage call handles at most this many datagrams, so that a flood cannot keep
    // the event loop (and with it the window) from running; the socket signals again.
    static constexpr int MaxDatagramsPerRead = 256;
    static constexpr int SendIntervalMs = 500;
    static constexpr qint64 SyncHoldMs = 3000;
    // What the node asks of the kernel for its socket's receive buffer (the kernel grants double).
    static constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;

    explicit artnet(NodeEnvironment environment = {});
    ~artnet() override;

    // Settings that the owner writes directly before switching polls on.
    bool shareBind = true;
    quint8 versInfoH = 0;
    quint8 versInfoL = 0;
    quint8 oemHi = 0;
    quint8 oemLo = 0xFF;

    void setNodeNames(const QString& shortName, const QString& longName);
    QString shortName() const { return shortNameText; }
    QString longName() const { return longNameText; }
    QString nodeReport() const { return nodeReportText; }

    void setReplyToPoll(bool on);
    // Datagrams wake the event loop as they arrive (the default), or wait in the socket for
    // readPending(). Waking costs more than the work a timecode datagram brings, 30 times a
    // second for each console; a caller that reads at a tick of its own anyway saves all of that
    // while nothing needs a datagram at once. A flood is still read as it comes.
    void setReadOnArrival(bool on);
    bool readsOnArrival() const { return readOnArrival; }
    // Reads and dispatches what is waiting, when datagrams do not wake the event loop.
    void readPending();
    bool replyToPoll() const { return replyToPollOn; }

    // The port the node listens on: the one asked for, or the one the system picked for port 0.
    quint16 port() const;
    quint16 peerPort() const { return environment.peerPort ? environment.peerPort : port(); }
    bool openSocket();
    void closeSocket();
    bool isSocketReady() const { return socketReady; }

    bool discoverInterfaces();
    // Lists the machine's addresses again; when the usable ones changed, the node uses the new
    // list from now on and writes the discovery lines again. True when they changed.
    bool rediscoverInterfaces();
    QString interfaceAddress(int n) const;
    QList<InterfaceEntry> interfaces() const { return interfaceList; }

    bool getTimecodeSource(ArtTimecode* out, QHostAddress* sender, int index);
    int timecodeSourceCount() const { return int(timecodeSources.size()); }

    // Handles one datagram as if it had arrived from sender.
    void dispatchPacket(QByteArrayView datagram, const QHostAddress& sender);
    quint64 receivedDatagrams() const { return datagramsReceived; }

    // DMX input: one universe into a 512-byte buffer, and caller-registered runs of universes.
    bool enableDmxInput();
    bool setInputUniverse(quint16 universe);
    quint16 inputUniverse() const { return inputUniverseIndex; }
    bool readDmxInput(quint8* destination, quint16* length);
    bool hasNewDmxInput() const { return dmxInputNewData != 0; }
    void setUniverseBuffer(quint8* buffer, quint32 length, quint16 channelsPerUniverse);
    quint8* universeBuffer() const { return universe.buffer; }
    quint32 universeBufferLength() const { return universe.length; }
    void setPixelBuffer(PixelColour* pixels, quint32 count, quint16 channelsPerUniverse);
    PixelColour* pixelBuffer() const { return pixel.pixels; }
    quint32 pixelCount() const { return pixel.count; }

    // Send side.
    bool prepareSend();
    bool isSendReady() const { return sendReady; }
    qint64 sendDatagram(const char* data, quint16 length, const QHostAddress* destination);
    qint64 sendPollReply(const QHostAddress& poller);
    qint64 sendPoll();
    qint64 sendDmx(const quint8* data, quint16 count, quint8 subUni, quint8 net,
                   const QHostAddress* destination);
    qint64 sendDmxUniverse(const quint8* data, quint16 count, quint16 universe,
                           const QHostAddress* destination);
    qint64 sendTimecode(const ArtTimecode* timecode, const QHostAddress* destination);

signals:
    // Emitted for every ArtTimeCode stored, as it is dispatched, with the sender's place in the
    // table: frames that queued up while the event loop was held up each arrive here in order,
    // where getTimecodeSource only shows the last of them.
    void timecodeReceived(int source, const ArtTimecode& timecode);
    // A new sender took the place of a quiet one in a full table: whatever a user keeps about
    // the sender at this place (when it was last heard, its previous timecode) belongs to the
    // old one and is to be forgotten. Emitted before the new sender's first timecodeReceived.
    void senderReplaced(int source);

private slots:
    qint64 sendDataTimeout();
    void readPackage();

private:
    struct UniverseInput
    {
        quint8* buffer = nullptr;
        quint32 length = 0;
        quint16 channelsPerUniverse = 512;
        quint16 syncFlag = 0;
        QByteArray shadow;
    };
    struct PixelInput
    {
        PixelColour* pixels = nullptr;
        quint32 count = 0;
        quint16 channelsPerUniverse = 512;
        quint16 syncFlag = 0;
        QList<PixelColour> shadow;
    };

    void writeDiagnostic(const QString& line) const;
    void updateTimecode(const ArtTimecode& timecode, const QHostAddress& sender);
    void handleArtNet(quint16 opCode, QByteArrayView datagram, const QHostAddress& sender);
    void handleMadrix(quint16 opCode, QByteArrayView datagram);
    void handleDmx(QByteArrayView datagram);
    void handleSync(quint16 opCode, QByteArrayView datagram, bool firstNotice, const char* notice,
                    const char* debugText);
    void applySync(quint8 flag);
    bool syncHolds(quint16& syncFlag);
    void deliverToUniverseBuffer(quint16 universeNumber, const QByteArray& channels);
    void deliverToPixelBuffer(quint16 universeNumber, const QByteArray& channels);
    void rearmSocketNotifier();
    void sendToAllBroadcasts(const QByteArray& packet, qint64* lastResult);
    bool isBroadcastOrMulticast(const QHostAddress& address) const;
    int quietestSource(qint64 nowMs) const;

    NodeEnvironment environment;
    QUdpSocket* socket = nullptr;
    QList<InterfaceEntry> interfaceList;
    bool socketReady = false;
    bool readOnArrival = true;
    bool interfacesDiscovered = false;
    bool sendReady = false;
    bool dmxInputEnabled = false;
    std::unique_ptr<QHostAddress> lastDestination;
    QByteArray dmxTemplate;
    QByteArray lastPacket;
    bool lastPacketValid = false;
    QByteArray dmxInput;
    quint16 dmxInputLength = 0;
    quint16 dmxInputNewData = 0;
    quint16 inputUniverseIndex = 0;
    QList<TimecodeSource> timecodeSources;
    bool haveTimecode = false;
    bool timecodeTableFullReported = false;
    bool broadcastPollReported = false;
    QByteArray headerCopy;
    QByteArray pollCopy;
    QMutex universeLock;
    UniverseInput universe;
    QMutex pixelLock;
    PixelInput pixel;
    QElapsedTimer steadyClock;
    qint64 lastSyncMs = 0;
    QString shortNameText = QStringLiteral("ArtNet by Brenn");
    QString longNameText = QStringLiteral("ArtNet by www.velmora.example");
    QString nodeReportText;
    bool replyToPollOn = false;
    // Remembers that polls should be answered even while the port could not be bound yet.
    bool replyToPollRequested = false;
    // A port held by another program is told once, and again when it has been taken after all.
    bool bindFailureReported = false;
    quint64 datagramsReceived = 0;
    std::unique_ptr<DatagramBatch> batch;
};
