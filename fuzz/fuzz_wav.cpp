// Feeds arbitrary files to the WAV reader, and what it accepts on to the 16-bit conversion that
// an output without the file's own sample format gets.
#include "platform/wavfile.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_wav: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<WavAudio> audio = readWav(QByteArrayView(data, qsizetype(size)));
    if (!audio)
        return 0;

    // An output is handed the samples as they are: whole frames of the format it is told.
    const QAudioFormat& format = audio->format;
    if (!format.isValid())
        fail("accepted file with an invalid format");
    const int frameBytes = format.bytesPerFrame();
    if (frameBytes <= 0 || audio->samples.size() % frameBytes != 0)
        fail("samples are not whole frames");

    const WavAudio narrow = toInt16(*audio);
    if (narrow.format.sampleFormat() != QAudioFormat::Int16 ||
        narrow.format.channelCount() != format.channelCount() ||
        narrow.format.sampleRate() != format.sampleRate())
        fail("16-bit conversion changed the format beyond the sample type");
    if (narrow.samples.size() != audio->samples.size() / format.bytesPerSample() * 2)
        fail("16-bit conversion changed the number of samples");
    return 0;
}
