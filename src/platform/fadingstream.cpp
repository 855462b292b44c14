#include "fadingstream.h"

#include <QtGlobal>

#include <cmath>
#include <utility>

namespace {

pa_usec_t now()
{
    timeval tv;
    return pa_timeval_load(pa_gettimeofday(&tv));
}

} // namespace

FadingStream::FadingStream(pa_stream* fadingStream, pa_mainloop_api* mainloop, int fadeMs,
                           std::unique_ptr<ShapedSource> feed)
    : stream(fadingStream), source(std::move(feed)), api(mainloop), startUs(now()),
      lengthUs(pa_usec_t(fadeMs > 0 ? fadeMs : 0) * PA_USEC_PER_MSEC)
{
    if (lengthUs == 0 || pa_stream_get_state(stream) != PA_STREAM_READY) {
        end();
        return;
    }
    if (source)
        pa_stream_set_write_callback(stream, onWrite, this);
    step();
}

FadingStream::~FadingStream()
{
    end();
}

void FadingStream::step()
{
    const pa_usec_t elapsed = now() - startUs;
    if (elapsed >= lengthUs) {
        end();
        return;
    }
    // Equal power: the level falls slowly at first and fast at the end, so the fade sounds even.
    double gain = std::cos(M_PI / 2 * double(elapsed) / double(lengthUs));
    // Samples written while the cue faded in sound, with the volume, as held at the stop.
    pa_usec_t heard = 0;
    if (source && pa_stream_get_time(stream, &heard) >= 0)
        gain *= source->heldCorrection(
            qint64(heard * quint64(pa_stream_get_sample_spec(stream)->rate) / PA_USEC_PER_SEC));
    pa_cvolume volume;
    pa_cvolume_set(&volume, pa_stream_get_sample_spec(stream)->channels, pa_sw_volume_from_linear(gain));
    if (pa_operation* operation = pa_context_set_sink_input_volume(
            pa_stream_get_context(stream), pa_stream_get_index(stream), &volume, nullptr, nullptr))
        pa_operation_unref(operation);
    timeval when;
    const pa_usec_t stepUs = qBound(pa_usec_t(ShortestStepMs) * PA_USEC_PER_MSEC, lengthUs / StepsPerFade,
                                    pa_usec_t(LongestStepMs) * PA_USEC_PER_MSEC);
    pa_timeval_add(pa_gettimeofday(&when), stepUs);
    if (timer)
        api->time_restart(timer, &when);
    else
        timer = api->time_new(api, &when, onStep, this);
}

void FadingStream::end()
{
    if (timer) {
        api->time_free(timer);
        timer = nullptr;
    }
    if (!stream)
        return;
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void FadingStream::onWrite(pa_stream*, size_t bytes, void* self)
{
    auto* fading = static_cast<FadingStream*>(self);
    // At the file's end or on a failed write the stream plays out what it holds.
    if (fading->source && fading->source->fill(fading->stream, bytes) != ShapedSource::Fill::More)
        pa_stream_set_write_callback(fading->stream, nullptr, nullptr);
}

void FadingStream::onStep(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    static_cast<FadingStream*>(self)->step();
}
