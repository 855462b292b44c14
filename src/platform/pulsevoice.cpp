#include "pulsevoice.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

pa_usec_t now()
{
    timeval tv;
    return pa_timeval_load(pa_gettimeofday(&tv));
}

} // namespace

PulseVoice::PulseVoice(const QString& fileName, std::shared_ptr<VoiceState> state)
    : path(fileName), streamName(QFileInfo(fileName).fileName().toUtf8()), state(std::move(state))
{}

PulseVoice::~PulseVoice()
{
    dropStream();
    fading.clear();
}

void PulseVoice::load(const Report& lineReport)
{
    report = lineReport;
    loaded = reopen();
}

bool PulseVoice::reopen()
{
    reader = std::make_unique<AudioFileReader>();
    const QString problem = reader->open(path) ? unusable() : reader->errorString();
    // The window follows the file as it is now: a re-exported cue may be longer or shorter.
    state->lengthMs.store(problem.isEmpty() ? reader->frames() * 1000 / reader->sampleRate() : -1);
    if (problem.isEmpty()) {
        toldProblem.clear();
        return true;
    }
    if (problem != toldProblem && report)
        report(QStringLiteral("sound: cannot play \"%1\": %2; that cue stays silent").arg(path, problem));
    toldProblem = problem;
    return false;
}

QString PulseVoice::unusable() const
{
    pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, quint32(reader->sampleRate()),
                        quint8(qMin(reader->channels(), 255))};
    if (reader->channels() <= int(PA_CHANNELS_MAX) && pa_sample_spec_valid(&spec))
        return {};
    return QStringLiteral("%1 channels at %2 Hz is more than the sound server takes")
        .arg(reader->channels())
        .arg(reader->sampleRate());
}

void PulseVoice::play(pa_context* playContext, pa_mainloop_api* api, qint64 offsetMs, quint64 playGeneration,
                      const SoundShape& shape)
{
    mainloop = api;
    context = playContext;
    fadeStream(QuickFadeMs);
    generation = playGeneration;
    // The file as it is on disk now, not as it was when the cues were built: a cue re-exported
    // under the same name plays its new sound, one that was missing then may be there now.
    loaded = reopen();
    if (!loaded || !reader->seekMs(offsetMs)) {
        finish();
        return;
    }
    source = std::make_unique<ShapedSource>(std::exchange(reader, std::make_unique<AudioFileReader>()),
                                            shape.levelDb, shape.fadeInMs);
    framesWritten = 0;
    fileEnded = false;
    if (!connectStream(shape.output.toUtf8()))
        finish();
}

bool PulseVoice::connectStream(const QByteArray& output)
{
    device = output;
    AudioFileReader& file = source->reader();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, quint32(file.sampleRate()), quint8(file.channels())};
    pa_channel_map map;
    if (!pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX))
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_AUX);
    stream = pa_stream_new(context, streamName.isEmpty() ? "cue" : streamName.constData(), &spec, &map);
    if (!stream)
        return false;
    pa_stream_set_write_callback(stream, onWrite, this);
    pa_stream_set_state_callback(stream, onState, this);
    pa_buffer_attr buffer;
    buffer.maxlength = quint32(-1);
    buffer.tlength = quint32(pa_usec_to_bytes(pa_usec_t(BufferMs) * PA_USEC_PER_MSEC, &spec));
    // Sound as soon as what the device holds is in twice over, not once the whole buffer is.
    buffer.prebuf = quint32(pa_usec_to_bytes(pa_usec_t(2 * DeviceMs) * PA_USEC_PER_MSEC, &spec));
    buffer.minreq = quint32(pa_usec_to_bytes(pa_usec_t(RequestMs) * PA_USEC_PER_MSEC, &spec));
    buffer.fragsize = quint32(-1);
    // Neither early requests nor an adjusted latency: the server then sets the device to the
    // stream's length less two requests (DeviceMs) and asks for a request's worth whenever that
    // much is missing. Early requests would make the device as long as a request, and an adjusted
    // latency would split BufferMs between the device and the stream; either way a start or a
    // fade would be heard that much later.
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    return pa_stream_connect_playback(stream, device.isEmpty() ? nullptr : device.constData(), &buffer, flags,
                                      nullptr, nullptr) >= 0;
}

void PulseVoice::outputMissing()
{
    // Nothing has been written yet: the stream fails before it is ready, so the cue starts from
    // the same place on the default output.
    if (device != toldMissing && report)
        report(QStringLiteral("sound: output \"%1\" is not there; \"%2\" plays on the default output")
                   .arg(QString::fromUtf8(device), path));
    toldMissing = device;
    dropStream();
    if (!connectStream({}))
        finish();
}

void PulseVoice::stop(int fadeMs)
{
    fadeStream(fadeMs);
}

void PulseVoice::fadeStream(int fadeMs)
{
    if (endCheck) {
        mainloop->time_free(endCheck);
        endCheck = nullptr;
    }
    fading.erase(std::remove_if(fading.begin(), fading.end(),
                                [](const std::unique_ptr<FadingStream>& f) { return f->done(); }),
                 fading.end());
    if (!stream)
        return;
    if (fadeMs <= 0) {
        dropStream();
        return;
    }
    pa_stream* old = std::exchange(stream, nullptr);
    pa_stream_set_write_callback(old, nullptr, nullptr);
    pa_stream_set_state_callback(old, nullptr, nullptr);
    pa_usec_t heard = 0;
    if (source && !fileEnded && pa_stream_get_time(old, &heard) >= 0)
        source->holdFadeInAt(qint64(heard * quint64(source->reader().sampleRate()) / PA_USEC_PER_SEC));
    // A file whose last sample is written has nothing more to feed.
    std::unique_ptr<ShapedSource> feed = std::exchange(source, nullptr);
    if (fileEnded)
        feed.reset();
    fading.push_back(std::make_unique<FadingStream>(old, mainloop, fadeMs, std::move(feed)));
}

void PulseVoice::abandon()
{
    fading.clear();
    finish();
}

void PulseVoice::refuse(quint64 refused)
{
    quint64 expected = refused;
    state->playing.compare_exchange_strong(expected, 0);
}

void PulseVoice::fill(size_t bytes)
{
    const qint64 before = source->position();
    const ShapedSource::Fill result = source->fill(stream, bytes);
    framesWritten += source->position() - before;
    if (result == ShapedSource::Fill::Failed) {
        finish();
        return;
    }
    fileEnded = result == ShapedSource::Fill::Ended;
    if (fileEnded) {
        // The drain also starts a stream that never filled its first buffer (a short file).
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        if (pa_operation* drain = pa_stream_drain(stream, onDrained, this))
            pa_operation_unref(drain);
        else
            finish();
    }
}

void PulseVoice::drained()
{
    // The server has taken the last sample from the stream, but the device behind it may hold a
    // second more (a Bluetooth speaker, a network sink): the playback ends when the stream's
    // clock says the last sample was heard, not after a fixed margin.
    endDeadline = now() +
                  pa_bytes_to_usec(quint64(framesWritten) * source->reader().channels() * sizeof(float),
                                   pa_stream_get_sample_spec(stream)) +
                  pa_usec_t(EndGraceMs) * PA_USEC_PER_MSEC;
    checkEnd();
}

void PulseVoice::checkEnd()
{
    const pa_sample_spec* spec = pa_stream_get_sample_spec(stream);
    const pa_usec_t total = quint64(framesWritten) * PA_USEC_PER_SEC / spec->rate;
    pa_usec_t heard = 0;
    if (pa_stream_get_time(stream, &heard) < 0 || heard >= total || now() >= endDeadline) {
        finish();
        return;
    }
    scheduleEndCheck(qMin<pa_usec_t>(total - heard, pa_usec_t(EndCheckMs) * PA_USEC_PER_MSEC));
}

void PulseVoice::scheduleEndCheck(pa_usec_t delay)
{
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), delay);
    if (endCheck)
        mainloop->time_restart(endCheck, &when);
    else
        endCheck = mainloop->time_new(mainloop, &when, onEndCheck, this);
}

void PulseVoice::finish()
{
    dropStream();
    source.reset();
    quint64 expected = generation;
    if (expected != 0)
        state->playing.compare_exchange_strong(expected, 0);
    generation = 0;
}

void PulseVoice::dropStream()
{
    if (endCheck) {
        mainloop->time_free(endCheck);
        endCheck = nullptr;
    }
    if (!stream)
        return;
    pa_stream* old = std::exchange(stream, nullptr);
    pa_stream_set_write_callback(old, nullptr, nullptr);
    pa_stream_set_state_callback(old, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(old)))
        pa_stream_disconnect(old);
    pa_stream_unref(old);
}

void PulseVoice::onWrite(pa_stream* stream, size_t bytes, void* self)
{
    auto* voice = static_cast<PulseVoice*>(self);
    if (stream == voice->stream)
        voice->fill(bytes);
}

void PulseVoice::onState(pa_stream* stream, void* self)
{
    auto* voice = static_cast<PulseVoice*>(self);
    if (stream != voice->stream)
        return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY && voice->device == voice->toldMissing)
        voice->toldMissing.clear(); // back: the next time it goes missing is told again
    if (PA_STREAM_IS_GOOD(state))
        return;
    if (state == PA_STREAM_FAILED && !voice->device.isEmpty() &&
        pa_context_errno(pa_stream_get_context(stream)) == PA_ERR_NOENTITY)
        voice->outputMissing();
    else
        voice->finish();
}

void PulseVoice::onDrained(pa_stream* stream, int, void* self)
{
    auto* voice = static_cast<PulseVoice*>(self);
    if (stream == voice->stream)
        voice->drained();
}

void PulseVoice::onEndCheck(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    static_cast<PulseVoice*>(self)->checkEnd();
}
