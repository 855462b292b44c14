#pragma once

#include "floodreport.h"
#include "floodsettings.h"

#include <QByteArray>
#include <QString>

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
    FloodSender(const FloodSender&) = delete;
    FloodSender& operator=(const FloodSender&) = delete;

    // The loopback address the given timecode sender sends from.
    static QString timecodeAddress(int sender);

    bool open(QString* error);
    FloodReport run();

private:
    void sendPolls(qint64 due, FloodReport& report);
    void sendTimecode(int sender, qint64 due, FloodReport& report);
    void sendDmx(qint64 due, FloodReport& report);
    void notePacketSent(FloodReport& report);
    void collectPollReplies(FloodReport& report);

    FloodSettings settings;
    quint16 port;
    int dmxSocket = -1;
    int pollSocket = -1;
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    bool pollSocketOnNodePort = false;
    qint64 dmxScheduled = 0;
    qint64 pollsScheduled = 0;
    std::array<qint64, 4> framesScheduled{};
    // One ArtDmx per universe, and the batch being sent.
    std::vector<QByteArray> dmxTemplates;
    std::vector<char> dmxSlots;
};
