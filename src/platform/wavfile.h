#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The playable content of a RIFF/WAVE file: its format and whole frames of interleaved samples
// in the host's byte order, ready to hand to an audio output as they are.
struct WavAudio
{
    QAudioFormat format;
    QByteArray samples;
};

// Reads a RIFF/WAVE file held in memory. Accepts integer PCM of 8, 16, 24 and 32 bits and 32-bit
// float, in the plain and the extensible format header; 24-bit samples come back widened to
// 32-bit integers, because audio outputs rarely take packed 24-bit samples. Unknown chunks are
// skipped. A data chunk cut short by the end of the file (a copy that did not finish, or a
// recorder that never went back to write the size) yields the whole frames that are there.
// Anything else, including a file without a format or data chunk, gives nothing.
std::optional<WavAudio> readWav(QByteArrayView bytes);

// The same audio as 16-bit integer samples, for an output that does not take the file's own
// sample format. Float samples outside [-1, 1] are clipped.
WavAudio toInt16(const WavAudio& audio);
