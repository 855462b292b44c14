#pragma once

#include "floodplan.h"
#include "floodreport.h"

#include <QByteArray>
#include <QUdpSocket>

#include <array>
#include <memory>
#include <vector>

class TimecodeSender;

// The sending side of the flood, run in its own process: ArtDmx from one console address,
// ArtTimeCode from four others and ArtPoll from a fifth, all to 127.0.0.1 on one port, each
// batch sent at its due time of a fixed schedule so that the rate is exact over the run.
class FloodSender
{
public:
    FloodSender(const FloodSettings& settings, quint16 port);
    ~FloodSender();

    // The loopback address the given timecode sender sends from.
    static QString timecodeAddress(int sender);

    bool open(QString* error);
    FloodReport run();

private:
    void send(QUdpSocket& socket, const QByteArray& datagram, FloodReport& report, qint64* count);

    FloodSettings settings;
    quint16 port;
    QUdpSocket dmxSocket;
    QUdpSocket pollSocket;
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    // One ArtDmx per universe.
    std::vector<QByteArray> dmxTemplates;
};
