// Feeds arbitrary bytes to the cue file decoding (libsndfile over memory, through our reader), then
// reads the whole file and again from an offset, as a cue does.
#include "platform/audiofilereader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_audiofile: %s\n", what);
    std::abort();
}

// A file of a few kilobytes may claim hours of sound (ADPCM, a lying header): the reading stops
// after this many frames so that one input cannot run for minutes.
constexpr qint64 MaxFrames = 1 << 20;
constexpr qint64 BlockFrames = 1024;

void readAll(AudioFileReader& reader)
{
    std::vector<float> block(size_t(BlockFrames) * size_t(reader.channels()));
    qint64 total = 0;
    while (total < MaxFrames) {
        const qint64 got = reader.read(block.data(), BlockFrames);
        if (got < 0 || got > BlockFrames)
            fail("read more frames than asked for");
        if (got == 0)
            break;
        for (qint64 i = 0; i < got * reader.channels(); ++i) {
            // Whatever the file says, the sound server is never handed NaN or infinity.
            if (!std::isfinite(block[size_t(i)]))
                fail("a sample that is not a finite number");
        }
        total += got;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AudioFileReader reader;
    if (!reader.openBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) {
        if (reader.errorString().isEmpty())
            fail("refused without a reason");
        return 0;
    }
    if (reader.channels() <= 0 || reader.sampleRate() <= 0 || reader.frames() == 0)
        fail("opened a file without channels, rate or frames");
    // A cue fits in the engine's buffers only with a bounded channel count.
    if (reader.channels() > 1024)
        return 0;
    readAll(reader);
    if (reader.seekMs(reader.frames() > 0 ? 500 : 0))
        readAll(reader);
    return 0;
}
