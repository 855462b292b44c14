#include "timecodesenders.h"

int TimecodeSenders::heardArtNet(int nodeSource, const ArtTimecode& timecode, const QString& address)
{
    if (nodeSource < 0)
        return -1;
    while (artNetNumbers.size() <= nodeSource)
        artNetNumbers.append(-1);
    int& number = artNetNumbers[nodeSource];
    number = place(number, timecode, address);
    return number;
}

int TimecodeSenders::heardLtc(const ArtTimecode& timecode, const QString& inputName)
{
    ltc = place(ltc, timecode, ltcLabel(inputName));
    return ltc;
}

int TimecodeSenders::artNetNumber(int nodeSource) const
{
    return nodeSource >= 0 && nodeSource < artNetNumbers.size() ? artNetNumbers[nodeSource] : -1;
}

QString TimecodeSenders::ltcLabel(const QString& inputName)
{
    return inputName.isEmpty() ? QStringLiteral("LTC") : QStringLiteral("LTC ") + inputName;
}

int TimecodeSenders::place(int number, const ArtTimecode& timecode, const QString& label)
{
    if (number < 0) {
        senders.append(Sender{timecode, label});
        return int(senders.size()) - 1;
    }
    Sender& sender = senders[number];
    sender.timecode = timecode;
    if (sender.label != label)
        sender.label = label;
    return number;
}
