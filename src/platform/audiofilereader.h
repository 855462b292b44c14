#pragma once

#include <QByteArray>
#include <QString>

#include <sndfile.h>

#include <memory>

// One sound file opened through libsndfile and read in blocks, so that a ten-minute cue never
// sits in memory whole: WAV in its many forms (integer, float, extensible, RF64, A-law, mu-law,
// ADPCM), AIFF, FLAC, Ogg Vorbis and Opus, MP3. Samples come out as interleaved 32-bit floats
// around [-1, 1], whatever the file holds.
class AudioFileReader
{
public:
    AudioFileReader();
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // False, with a reason a technician understands in errorString(), for a file that is
    // missing, unreadable, a folder, empty, not sound, or sound without a single frame.
    bool open(const QString& fileName);
    // The same over a file's bytes in memory; the reader keeps its own reference to them.
    bool openBytes(const QByteArray& bytes);
    bool isOpen() const;
    QString errorString() const;

    int channels() const;
    int sampleRate() const;
    // As the file's header tells it; a file cut short may end earlier.
    qint64 frames() const;

    // Moves to offsetMs into the file; past the end, the next read gives nothing.
    bool seekMs(qint64 offsetMs);
    // Reads up to maxFrames whole frames into samples (channels() floats a frame); returns the
    // frames read, 0 at the end of the file or on a decoding error.
    qint64 read(float* samples, qint64 maxFrames);

private:
    struct MemoryFile;

    bool checkOpened(SNDFILE* opened);
    void close();

    SNDFILE* file = nullptr;
    SF_INFO info{};
    bool floatSamples = false;
    std::unique_ptr<MemoryFile> memory;
    QString error;
};
