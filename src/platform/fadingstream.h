#pragma once

#include "shapedsource.h"

#include <pulse/pulseaudio.h>

#include <memory>

// A playback stream on its way out: the server turns its volume down to silence along an equal
// power curve (a quarter cosine) over the fade's time, then it is disconnected. Its source goes on
// feeding it meanwhile, so that a fade longer than the stream's buffer is heard to its end. The volume is the
// server's, not the samples': the stream already holds a buffer of audio that would otherwise play at full
// level before a fade written into new samples could be heard, and the server applies a new volume to what it
// has not played yet. Lives on the sound engine's thread.
class FadingStream
{
public:
    // Takes over the reference to stream, and source, which goes on feeding it (none: the stream
    // plays out what it holds).
    FadingStream(pa_stream* stream, pa_mainloop_api* api, int fadeMs,
                 std::unique_ptr<ShapedSource> source = {});
    ~FadingStream();
    FadingStream(const FadingStream&) = delete;
    FadingStream& operator=(const FadingStream&) = delete;

    bool done() const { return stream == nullptr; }

    // How often the volume is stepped: a hundred steps to a fade sound like a curve, not a
    // staircase (a 2 s fade's largest step is 0.2 dB), and a long fade does not keep the engine
    // and the server busy with a new volume every few ms.
    static constexpr int StepsPerFade = 100;
    static constexpr int ShortestStepMs = 4;
    static constexpr int LongestStepMs = 20;

private:
    void step();
    void end();
    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    static void onStep(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

    pa_stream* stream = nullptr;
    std::unique_ptr<ShapedSource> source;
    pa_mainloop_api* api = nullptr;
    pa_time_event* timer = nullptr;
    pa_usec_t startUs = 0;
    pa_usec_t lengthUs = 0;
};
