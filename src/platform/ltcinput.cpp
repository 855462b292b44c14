#include "ltcinput.h"

#include "diagnostics/linewriter.h"
#include "ltcreader.h"

#include <QMetaObject>

#include <chrono>
#include <utility>

namespace {
qint64 steadyMs()
{
    return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}
} // namespace

LtcInput::LtcInput(QObject* parent, Report report, const QByteArray& server)
    : QObject(parent), report(report ? std::move(report) : Report(writeStandardOutputLine)), server(server)
{
    loop = pa_threaded_mainloop_new();
    if (!loop)
        return;
    pa_threaded_mainloop_set_name(loop, "velmora-ltc");
    api = pa_threaded_mainloop_get_api(loop);
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }
}

LtcInput::~LtcInput()
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    if (retry)
        api->time_free(std::exchange(retry, nullptr));
    dropContext();
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

void LtcInput::setInput(const QString& sourceName)
{
    if (!loop || sourceName == inputName)
        return;
    inputName = sourceName;
    lastFrameMs = -1;
    pa_threaded_mainloop_lock(loop);
    source = sourceName.toUtf8();
    told = Told::Nothing;
    if (retry)
        api->time_free(std::exchange(retry, nullptr));
    dropContext();
    if (!source.isEmpty())
        connectContext();
    pa_threaded_mainloop_unlock(loop);
}

bool LtcInput::hasSignal() const
{
    const qint64 last = lastFrameMs;
    return last >= 0 && steadyMs() - last <= SignalHoldMs;
}

void LtcInput::connectContext()
{
    dropContext();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Velmora");
    context = pa_context_new_with_proplist(api, "Velmora LTC", properties);
    pa_proplist_free(properties);
    if (!context) {
        failed(QStringLiteral("cannot talk to the sound system"), true);
        return;
    }
    pa_context_set_state_callback(context, onContextState, this);
    // Never start a sound server of our own: on a show machine that would hide the real fault.
    if (pa_context_connect(context, server.isEmpty() ? nullptr : server.constData(), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr) < 0)
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))), true);
}

void LtcInput::openStream()
{
    dropStream();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, SampleRate, 1};
    stream = pa_stream_new(context, "LTC", &spec, nullptr);
    if (!stream) {
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))), false);
        return;
    }
    pa_stream_set_state_callback(stream, onStreamState, this);
    pa_stream_set_read_callback(stream, onRead, this);
    pa_buffer_attr attributes;
    attributes.maxlength = uint32_t(-1);
    attributes.tlength = attributes.prebuf = attributes.minreq = uint32_t(-1);
    attributes.fragsize = uint32_t(SampleRate / 1000 * FragmentMs * sizeof(float));
    if (pa_stream_connect_record(stream, source.constData(), &attributes,
                                 // This input or none: never another that the server would move it to.
                                 pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE)) < 0)
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))), false);
    pa_operation* describe =
        pa_context_get_source_info_by_name(context, source.constData(), onSourceInfo, this);
    if (describe)
        pa_operation_unref(describe);
}

void LtcInput::failed(const QString& reason, bool serverFault)
{
    const QString name = QString::fromUtf8(source);
    if (serverFault) {
        if (told != Told::NoServer && told != Told::Lost)
            report(QStringLiteral("LTC: no sound server (%1); no LTC from \"%2\" until one is running")
                       .arg(reason, name));
        if (told == Told::Nothing)
            told = Told::NoServer;
    } else if (reading) {
        if (told != Told::Lost)
            report(QStringLiteral("LTC: lost the input \"%1\" (%2); trying again every second")
                       .arg(name, reason));
        told = Told::Lost;
    } else if (told == Told::Nothing) {
        report(QStringLiteral("LTC: no input \"%1\" (%2); trying again every second").arg(name, reason));
        told = Told::NoInput;
    }
    reading = false;
    dropContext();
    scheduleRetry();
}

void LtcInput::scheduleRetry()
{
    if (retry || source.isEmpty())
        return;
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(RetryMs) * PA_USEC_PER_MSEC);
    retry = api->time_new(api, &when, onRetry, this);
}

void LtcInput::dropStream()
{
    if (!stream)
        return;
    pa_stream* old = std::exchange(stream, nullptr);
    pa_stream_set_state_callback(old, nullptr, nullptr);
    pa_stream_set_read_callback(old, nullptr, nullptr);
    pa_stream_disconnect(old);
    pa_stream_unref(old);
}

void LtcInput::dropContext()
{
    dropStream();
    reader.reset();
    if (!context)
        return;
    pa_context* old = std::exchange(context, nullptr);
    pa_context_set_state_callback(old, nullptr, nullptr);
    pa_context_disconnect(old);
    pa_context_unref(old);
}

void LtcInput::read(pa_stream* from)
{
    while (pa_stream_readable_size(from) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(from, &data, &bytes) < 0 || bytes == 0)
            return;
        if (data && reader) {
            const QList<LtcReader::Frame> frames =
                reader->write(static_cast<const float*>(data), int(bytes / sizeof(float)));
            if (!frames.isEmpty())
                lastFrameMs = steadyMs();
            for (const LtcReader::Frame& frame : frames)
                emit timecodeDecoded(frame.timecode);
        } else if (reader) {
            // A hole in the recording (samples the server dropped): silence keeps the count of
            // samples right, and the frame across it is lost rather than misread.
            const std::vector<float> silence(bytes / sizeof(float), 0.0F);
            reader->write(silence.data(), int(silence.size()));
        }
        pa_stream_drop(from);
    }
}

void LtcInput::onContextState(pa_context* context, void* self)
{
    auto* input = static_cast<LtcInput*>(self);
    if (context != input->context)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        input->openStream();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        input->failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))), true);
        break;
    default:
        break;
    }
}

void LtcInput::onStreamState(pa_stream* stream, void* self)
{
    auto* input = static_cast<LtcInput*>(self);
    if (stream != input->stream)
        return;
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        input->reader = std::make_unique<LtcReader>(SampleRate);
        if (input->told != Told::Nothing)
            input->report(QStringLiteral("LTC: reading \"%1\" again").arg(QString::fromUtf8(input->source)));
        input->told = Told::Nothing;
        input->reading = true;
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        input->failed(QString::fromUtf8(pa_strerror(pa_context_errno(input->context))), false);
        break;
    default:
        break;
    }
}

void LtcInput::onRead(pa_stream* stream, size_t, void* self)
{
    static_cast<LtcInput*>(self)->read(stream);
}

void LtcInput::onSourceInfo(pa_context*, const pa_source_info* info, int eol, void* self)
{
    if (eol || !info)
        return;
    auto* input = static_cast<LtcInput*>(self);
    const QString description = QString::fromUtf8(info->description ? info->description : info->name);
    emit input->inputDescribed(description);
}

void LtcInput::onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self)
{
    auto* input = static_cast<LtcInput*>(self);
    api->time_free(event);
    input->retry = nullptr;
    input->connectContext();
}
