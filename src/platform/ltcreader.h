#pragma once

#include "artnet/arttimecode.h"

#include <QList>

#include <optional>

struct LTCDecoder;

// Turns LTC audio into timecode, with libltc's decoder, and tells the frame rate from the signal:
// LTC carries hours to frames and a drop-frame flag, but no rate. The rate is the count of frames
// in a second, read where the frame number wraps (forwards 23, 24 or 29 to 0; backwards 0 to
// them); until the first wrap, from the highest frame number seen and the length of a frame in
// samples. No thread, no sound server: samples in, timecode out.
class LtcReader
{
public:
    struct Frame
    {
        ArtTimecode timecode;
        bool reverse = false;
        qint64 endSample = 0; // where the frame's sync word ended, counted from the first sample
    };

    explicit LtcReader(int sampleRate);
    ~LtcReader();
    LtcReader(const LtcReader&) = delete;
    LtcReader& operator=(const LtcReader&) = delete;

    // Feeds mono samples (-1 to 1); returns the frames completed within them, in order.
    QList<Frame> write(const float* samples, int count);

private:
    quint8 rateOf(int frame, int second, bool dropFrame, qint64 lengthSamples);

    int sampleRate;
    LTCDecoder* decoder = nullptr;
    qint64 position = 0;
    // The count of frames per second, once a wrap showed it.
    std::optional<int> framesPerSecond;
    int highestFrame = -1;
    std::optional<int> lastFrame;
    int lastSecond = -1;
};
