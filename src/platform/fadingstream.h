#pragma once

#include <pulse/pulseaudio.h>

// A playback stream on its way out: the server turns its volume down to silence along an equal
// power curve over the fade's time, then it is disconnected. The volume is the server's, not the
// samples': the stream already holds a buffer of audio that would otherwise play at full level
// before a fade written into new samples could be heard, and the server applies a new volume to
// what it has not played yet. Lives on the sound engine's thread.
class FadingStream
{
public:
    // Takes over the reference to stream.
    FadingStream(pa_stream* stream, pa_mainloop_api* api, int fadeMs);
    ~FadingStream();
    FadingStream(const FadingStream&) = delete;
    FadingStream& operator=(const FadingStream&) = delete;

    bool done() const { return stream == nullptr; }

    // How often the volume is stepped: small steps sound like a curve, not a staircase.
    static constexpr int StepMs = 4;

private:
    void step();
    void end();
    static void onStep(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

    pa_stream* stream = nullptr;
    pa_mainloop_api* api = nullptr;
    pa_time_event* timer = nullptr;
    pa_usec_t startUs = 0;
    pa_usec_t lengthUs = 0;
};
