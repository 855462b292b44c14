#include "longcuefile.h"

#include "tonewav.h"

#include <QFile>

#include <cmath>

using ToneWav::le16;
using ToneWav::le32;

bool writeLongCueFile(const QString& path, int seconds)
{
    constexpr int Rate = 48000;
    constexpr int Channels = 2;
    constexpr int BytesPerFrame = Channels * 3;
    QByteArray second;
    second.reserve(Rate * BytesPerFrame);
    for (int frame = 0; frame < Rate; ++frame) {
        const auto value = qint32(std::lround(0.5 * std::sin(2 * M_PI * 440.0 * frame / Rate) * 8388607));
        for (int channel = 0; channel < Channels; ++channel)
            second += le32(quint32(value)).left(3);
    }
    const quint32 dataBytes = quint32(second.size()) * quint32(seconds);
    const QByteArray format =
        le16(1) + le16(Channels) + le32(Rate) + le32(Rate * BytesPerFrame) + le16(BytesPerFrame) + le16(24);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("RIFF" + le32(4 + 8 + quint32(format.size()) + 8 + dataBytes) + "WAVE" + "fmt " +
               le32(quint32(format.size())) + format + "data" + le32(dataBytes));
    for (int i = 0; i < seconds; ++i) {
        if (file.write(second) != second.size())
            return false;
    }
    return file.flush();
}
