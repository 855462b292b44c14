#pragma once

#include "artnet/arttimecode.h"

#include <QList>
#include <QString>

// Every source of timecode as one list of senders, which the display and the cue rules read: the
// Art-Net node's senders and the LTC input alike, numbered in the order they were first heard.
// A number names its sender for as long as the window runs (the node's table may give a quiet
// sender's place to a newcomer, which then keeps that number), so that what the window keeps per
// sender (its clock, when it was last heard) stays with it.
class TimecodeSenders
{
public:
    struct Sender
    {
        ArtTimecode timecode;
        QString label; // what the display shows beside it: an address, or "LTC" and the input
    };

    // A timecode from the node's sender at table place nodeSource; returns the sender's number.
    int heardArtNet(int nodeSource, const ArtTimecode& timecode, const QString& address);
    // A timecode decoded from the LTC input described by inputName; returns the sender's number.
    // There is one LTC input, so one LTC sender, whichever input the settings name.
    int heardLtc(const ArtTimecode& timecode, const QString& inputName);

    // The number of the node's sender at nodeSource, or -1 before it was heard.
    int artNetNumber(int nodeSource) const;
    // The LTC sender's number, or -1 before LTC was heard.
    int ltcNumber() const { return ltc; }

    int count() const { return int(senders.size()); }
    const Sender& at(int number) const { return senders[number]; }

    static QString ltcLabel(const QString& inputName);

private:
    int place(int number, const ArtTimecode& timecode, const QString& label);

    QList<Sender> senders;
    // The number of the node's sender at each table place; -1 for places not heard yet.
    QList<int> artNetNumbers;
    int ltc = -1;
};
