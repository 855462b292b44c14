#pragma once

#include "artnet/arttimecode.h"
#include "artnet/datagrambatch.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The ceiling for the node: a plain socket bound like the node's (any IPv4 address, address
// shared) and a loop that blocks in recvmmsg for up to 64 datagrams with their senders and
// counts them. Of ArtTimeCode it notes the arrival, as the floor for the node's timecode latency.
class BareReceiver
{
public:
    struct TimecodeArrival
    {
        quint32 sender; // IPv4 address
        ArtTimecode timecode;
        qint64 receivedNs;
    };

    // The node's batch, so that both sides make the same system calls.
    static constexpr int Capacity = DatagramBatch::Capacity;
    static constexpr int MaxDatagramSize = DatagramBatch::MaxDatagramSize;

    BareReceiver();
    ~BareReceiver();
    BareReceiver(const BareReceiver&) = delete;
    BareReceiver& operator=(const BareReceiver&) = delete;

    // Asks for the receive buffer the node asks for; where the system limit would cut it and
    // the process may, the limit is overridden so that the ceiling shows no buffer losses.
    bool open(int receiveBufferBytes, QString* error);
    quint16 port() const { return boundPort; }
    bool bufferForced() const { return forced; }

    // Receives until senderDone() answers true while the queue is empty, then takes what the
    // queue still holds.
    bool receiveUntil(const std::function<bool()>& senderDone, QString* error);
    qint64 received() const { return count; }
    const std::vector<TimecodeArrival>& timecodeArrivals() const { return arrivals; }

private:
    void noteTimecode(int received);

    struct Buffers;
    std::unique_ptr<Buffers> buffers;
    int descriptor = -1;
    quint16 boundPort = 0;
    bool forced = false;
    qint64 count = 0;
    std::vector<TimecodeArrival> arrivals;
};
