#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// One timecode datagram as the sender sent it.
struct TimecodeSend
{
    int sender = 0;
    qint64 frame = 0;
    qint64 sentNs = 0;
};

// What the sender process tells the receiving side once the flood is over, as text lines on its
// standard output.
struct FloodReport
{
    qint64 dmxSent = 0;
    qint64 timecodeSent = 0;
    qint64 pollsSent = 0;
    qint64 sendErrors = 0;
    qint64 firstSendNs = 0;
    qint64 lastSendNs = 0;
    // How late the sender woke for a batch at worst: a late wake sends more in the next batch.
    qint64 maxLagNs = 0;
    // Answers to the polls, when the sender could listen on the poller's address.
    bool repliesObserved = false;
    qint64 pollReplies = 0;
    QList<TimecodeSend> timecodeSends;

    qint64 total() const { return dmxSent + timecodeSent + pollsSent; }
    qint64 spanNs() const { return lastSendNs - firstSendNs; }

    QByteArray toText() const;
    static std::optional<FloodReport> fromText(const QByteArray& text);
};
