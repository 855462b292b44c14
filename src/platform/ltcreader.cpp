#include "ltcreader.h"

#include <ltc.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
// libltc decodes a few frames ahead; the queue only has to hold what one write completes.
constexpr int DecoderQueueFrames = 32;
// ArtTimecode's rate types.
constexpr quint8 Film = 0, Ebu = 1, DropFrame = 2, Smpte = 3;

quint8 typeOf(int framesPerSecond, bool dropFrame)
{
    if (dropFrame)
        return DropFrame;
    switch (framesPerSecond) {
    case 24:
        return Film;
    case 25:
        return Ebu;
    default:
        return Smpte;
    }
}
} // namespace

LtcReader::LtcReader(int sampleRate) : sampleRate(sampleRate)
{
    // The decoder's hint of samples per frame only seeds its clock tracking; it follows the
    // signal's own speed from the first bits on, so 25 fps suits any rate and any varispeed.
    decoder = ltc_decoder_create(sampleRate / 25, DecoderQueueFrames);
}

LtcReader::~LtcReader()
{
    ltc_decoder_free(decoder);
}

QList<LtcReader::Frame> LtcReader::write(const float* samples, int count)
{
    QList<Frame> frames;
    if (!decoder || count <= 0)
        return frames;
    // In short pieces, each read out at once: the decoder's queue holds DecoderQueueFrames, and a
    // long block (the server hands over what piled up while the thread waited) would overflow it.
    const int piece = sampleRate / 100;
    for (int done = 0; done < count; done += piece) {
        const int length = qMin(piece, count - done);
        // libltc takes the buffer as non-const but only reads it.
        ltc_decoder_write_float(decoder, const_cast<float*>(samples + done), size_t(length), position);
        position += length;
        LTCFrameExt decoded;
        while (ltc_decoder_read(decoder, &decoded) > 0) {
            SMPTETimecode time;
            ltc_frame_to_time(&time, &decoded.ltc, 0);
            Frame frame;
            frame.reverse = decoded.reverse != 0;
            frame.endSample = frame.reverse ? decoded.off_start : decoded.off_end;
            frame.timecode.hours = time.hours;
            frame.timecode.minutes = time.mins;
            frame.timecode.seconds = time.secs;
            frame.timecode.frames = time.frame;
            frame.timecode.type = rateOf(time.frame, time.secs, decoded.ltc.dfbit != 0,
                                         std::llabs(decoded.off_end - decoded.off_start) + 1);
            frames.append(frame);
        }
    }
    return frames;
}

quint8 LtcReader::rateOf(int frame, int second, bool dropFrame, qint64 lengthSamples)
{
    // A wrap between two neighbouring seconds, either way round, counts the frames of a second.
    if (lastFrame) {
        const bool forwardWrap = frame == 0 && second == (lastSecond + 1) % 60;
        const bool backwardWrap = *lastFrame == 0 && lastSecond == (second + 1) % 60;
        const int top = forwardWrap ? *lastFrame : backwardWrap ? frame : -1;
        if (top == 23 || top == 24 || top == 29)
            framesPerSecond = top + 1;
    }
    lastFrame = frame;
    lastSecond = second;
    highestFrame = qMax(highestFrame, frame);
    // A frame number the counted rate has no room for: the rate went up since.
    if (framesPerSecond && frame >= *framesPerSecond)
        framesPerSecond.reset();
    if (framesPerSecond)
        return typeOf(*framesPerSecond, dropFrame);
    // Before a whole second was seen: the rate nearest to the frame's length at normal speed,
    // but at least one with room for the highest frame number seen.
    const double perSecond = lengthSamples > 0 ? double(sampleRate) / double(lengthSamples) : 25.0;
    int nearest = perSecond < 24.5 ? 24 : perSecond < 27.5 ? 25 : 30;
    if (dropFrame || highestFrame >= 25)
        nearest = 30;
    else if (highestFrame == 24)
        nearest = qMax(nearest, 25);
    return typeOf(nearest, dropFrame);
}
