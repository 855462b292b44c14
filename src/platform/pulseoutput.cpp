#include "pulseoutput.h"

#include <utility>

PulseOutput::PulseOutput(pa_mainloop_api* api, const QByteArray& server, PulseVoice::Report report)
    : api(api), server(server), report(std::move(report))
{
    connect();
}

PulseOutput::~PulseOutput()
{
    voices.clear();
    if (retry)
        api->time_free(retry);
    dropContext();
}

void PulseOutput::load(quint64 id, const QString& fileName, std::shared_ptr<VoiceState> state)
{
    auto voice = std::make_unique<PulseVoice>(fileName, std::move(state));
    voice->load(report);
    voices[id] = std::move(voice);
}

void PulseOutput::unload(quint64 id)
{
    voices.erase(id);
}

void PulseOutput::play(quint64 id, qint64 offsetMs, quint64 generation, const SoundShape& shape)
{
    const PendingPlay request{id, offsetMs, generation, shape};
    if (contextReady) {
        startPlay(request);
        return;
    }
    // Not connected: try at once rather than at the next retry, so that a server that has come
    // back in the meantime plays this very cue.
    pending.push_back(request);
    if (!context)
        connect();
}

namespace {

struct OutputListing
{
    std::function<void(const QList<SoundOutput>&)> answer;
    QList<SoundOutput> outputs;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self)
{
    auto* listing = static_cast<OutputListing*>(self);
    if (eol == 0 && info) {
        listing->outputs.append({QString::fromUtf8(info->name), QString::fromUtf8(info->description)});
        return;
    }
    listing->answer(listing->outputs);
    delete listing;
}

} // namespace

void PulseOutput::listOutputs(std::function<void(const QList<SoundOutput>&)> answer)
{
    if (!contextReady) {
        pendingListings.push_back(std::move(answer));
        if (!context)
            connect();
        return;
    }
    auto* listing = new OutputListing{std::move(answer), {}};
    if (pa_operation* operation = pa_context_get_sink_info_list(context, onSinkInfo, listing)) {
        pa_operation_unref(operation);
        return;
    }
    listing->answer({});
    delete listing;
}

void PulseOutput::stop(quint64 id, int fadeMs)
{
    if (PulseVoice* found = voice(id))
        found->stop(fadeMs);
}

void PulseOutput::connect()
{
    if (retry) {
        api->time_free(retry);
        retry = nullptr;
    }
    dropContext();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Velmora");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "event");
    context = pa_context_new_with_proplist(api, "Velmora", properties);
    pa_proplist_free(properties);
    if (!context) {
        failed(QStringLiteral("cannot talk to the sound system"));
        return;
    }
    pa_context_set_state_callback(context, onContextState, this);
    // Never start a sound server of our own: on a show machine that would hide the real fault.
    if (pa_context_connect(context, server.isEmpty() ? nullptr : server.constData(), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr) < 0)
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))));
}

void PulseOutput::ready()
{
    contextReady = true;
    if (told != Told::Nothing)
        report(QStringLiteral("sound: the sound server is back; cues play again"));
    told = Told::Nothing;
    for (const PendingPlay& request : std::exchange(pending, {}))
        startPlay(request);
    for (auto& answer : std::exchange(pendingListings, {}))
        listOutputs(std::move(answer));
}

void PulseOutput::failed(const QString& reason)
{
    const bool wasReady = contextReady;
    dropContext();
    for (auto& [id, voice] : voices)
        voice->abandon();
    for (auto& answer : std::exchange(pendingListings, {}))
        answer({});
    // The plays that waited for this connection stay silent: a cue started late is worse.
    for (const PendingPlay& request : std::exchange(pending, {})) {
        if (PulseVoice* found = voice(request.id))
            found->refuse(request.generation);
    }
    if (wasReady && told != Told::Lost) {
        report(QStringLiteral("sound: lost the sound server (%1); cues stay silent until it is back")
                   .arg(reason));
        told = Told::Lost;
    } else if (told == Told::Nothing) {
        report(
            QStringLiteral("sound: no sound server (%1); cues stay silent until one is running").arg(reason));
        told = Told::NoServer;
    }
    if (!retry) {
        timeval when;
        pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(RetryMs) * PA_USEC_PER_MSEC);
        retry = api->time_new(api, &when, onRetry, this);
    }
}

void PulseOutput::dropContext()
{
    contextReady = false;
    if (!context)
        return;
    for (auto& [id, voice] : voices)
        voice->stop();
    pa_context* old = std::exchange(context, nullptr);
    pa_context_set_state_callback(old, nullptr, nullptr);
    pa_context_disconnect(old);
    pa_context_unref(old);
}

void PulseOutput::startPlay(const PendingPlay& request)
{
    if (PulseVoice* found = voice(request.id))
        found->play(context, api, request.offsetMs, request.generation, request.shape);
}

PulseVoice* PulseOutput::voice(quint64 id)
{
    const auto found = voices.find(id);
    return found == voices.end() ? nullptr : found->second.get();
}

void PulseOutput::onContextState(pa_context* context, void* self)
{
    auto* output = static_cast<PulseOutput*>(self);
    if (context != output->context)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        output->ready();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        output->failed(QString::fromUtf8(pa_strerror(pa_context_errno(context))));
        break;
    default:
        break;
    }
}

void PulseOutput::onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self)
{
    auto* output = static_cast<PulseOutput*>(self);
    api->time_free(event);
    output->retry = nullptr;
    output->connect();
}
