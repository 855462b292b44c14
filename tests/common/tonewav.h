#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Test sound: a tone written as a wave file, and where a recording of the sound server is
// audible.
namespace ToneWav {

constexpr int ToneHz = 440;
// The null sink's silence is exact zeros; the tone is above this from its second sample on.
constexpr int AudibleLevel = 64;

// Little-endian bytes of a 16- or 32-bit value, as wave files hold them.
QByteArray le16(quint16 value);
QByteArray le32(quint32 value);

// A tone at half of full scale (440 Hz unless told), the same in every channel, as 16- or 24-bit PCM.
QByteArray toneWav(int durationMs, int sampleRate, int channels, int bits, int hz = ToneHz);

// Writes bytes as a cue file, whole; false when that fails.
bool writeCueFile(const QString& path, const QByteArray& bytes);

// The tone of toneWav as a float sample in [-0.5, 0.5], a quarter turn later in each further
// channel so that a reader that mixes channels up is caught.
double toneSample(qint64 frame, int channel, int sampleRate);
// Writes that tone through libsndfile in the given format (SF_FORMAT_* major | subtype), a
// second at a time; false when libsndfile cannot write it.
bool writeToneFile(const QString& path, int format, int sampleRate, int channels, qint64 frames);

// Where a recording (16-bit stereo at the null sink's rate) is above silence, from a frame on.
struct AudibleSpan
{
    qint64 first = -1;
    qint64 last = -1;
    bool isEmpty() const { return first < 0; }
    qint64 frames() const { return last - first + 1; }
};
AudibleSpan audibleSpan(const QByteArray& recording, qint64 fromFrame);

double framesToMs(qint64 frames);

// The pitch heard in a recording's span, from its first channel's upward zero crossings: tells
// which of two tones the sound server was sent.
double heardHz(const QByteArray& recording, const AudibleSpan& span);

// A file that says where in it each sample is: 16-bit stereo at the null sink's rate, whose two
// channels spell the frame's place in steps of PlaceStep frames (loud, not for listening). Played
// unchanged, the recording tells which frame of the file sounded at any of its own frames.
constexpr int PlaceStep = 16;
QByteArray placeWav(int durationMs);
// The frame of placeWav that the recording holds at frame, to within PlaceStep; nothing where the
// recording holds no clean place (silence, a fade, two sounds at once).
std::optional<qint64> placeHeard(const QByteArray& recording, qint64 frame);

} // namespace ToneWav
