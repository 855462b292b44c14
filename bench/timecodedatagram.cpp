#include "timecodedatagram.h"

QByteArray timecodeDatagram(const ArtTimecode& timecode)
{
    // "Art-Net" NUL, op-code 0x9700 low byte first, protocol version 14 high byte first, two
    // filler bytes, frames, seconds, minutes, hours, type, and one spare byte: 20 bytes.
    QByteArray datagram("Art-Net\0", 8);
    const char tail[] = {0x00,
                         char(0x97),
                         0x00,
                         0x0e,
                         0x00,
                         0x00,
                         char(timecode.frames),
                         char(timecode.seconds),
                         char(timecode.minutes),
                         char(timecode.hours),
                         char(timecode.type),
                         0x00};
    datagram.append(tail, sizeof tail);
    return datagram;
}

ArtTimecode timecodeAtFrame(qint64 frame)
{
    constexpr int FramesPerSecond = 30;
    ArtTimecode timecode;
    timecode.frames = quint8(frame % FramesPerSecond);
    timecode.seconds = quint8((frame / FramesPerSecond) % 60);
    timecode.minutes = quint8((frame / (FramesPerSecond * 60)) % 60);
    timecode.hours = quint8((frame / (FramesPerSecond * 3600)) % 24);
    timecode.type = 3;
    return timecode;
}
