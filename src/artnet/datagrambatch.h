#pragma once

#include <QByteArrayView>
#include <QHostAddress>

#include <memory>

// Reads many pending datagrams from a socket descriptor with one system call (recvmmsg on
// Linux). Qt reads one datagram per call and asks twice for its size first; under a
// 512-universe show that difference is most of the node's receive cost.
class DatagramBatch
{
public:
    static constexpr int Capacity = 64;
    // Art-Net packets are at most 530 bytes; nothing past that is ever read.
    static constexpr int MaxDatagramSize = 1500;

    DatagramBatch();
    ~DatagramBatch();
    DatagramBatch(const DatagramBatch&) = delete;
    DatagramBatch& operator=(const DatagramBatch&) = delete;

    static bool isSupported();

    // Reads up to Capacity datagrams without blocking; returns how many (0 when none).
    int receive(qintptr socketDescriptor);
    QByteArrayView datagram(int index) const;
    QHostAddress sender(int index) const;

private:
    struct Buffers;
    std::unique_ptr<Buffers> buffers;
};
