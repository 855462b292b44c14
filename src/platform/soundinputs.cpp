#include "soundinputs.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <pulse/pulseaudio.h>

#include <memory>

namespace {
struct Query
{
    QList<SoundInput> inputs;
    bool done = false;
};

void onSource(pa_context*, const pa_source_info* info, int eol, void* data)
{
    auto* query = static_cast<Query*>(data);
    if (eol) {
        query->done = true;
        return;
    }
    if (info)
        query->inputs.append(
            SoundInput{QString::fromUtf8(info->name),
                       QString::fromUtf8(info->description ? info->description : info->name)});
}
} // namespace

QList<SoundInput> querySoundInputs(int timeoutMs)
{
    Query query;
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return {};
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Velmora inputs");
    QElapsedTimer clock;
    clock.start();
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        bool asked = false;
        while (!query.done && clock.elapsed() < timeoutMs) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state))
                break;
            if (state == PA_CONTEXT_READY && !asked) {
                asked = true;
                if (pa_operation* operation = pa_context_get_source_info_list(context, onSource, &query))
                    pa_operation_unref(operation);
                else
                    break;
            }
            // Short waits, so that a server that never answers is given up on in time.
            pa_mainloop_prepare(loop, 50 * 1000);
            pa_mainloop_poll(loop);
            pa_mainloop_dispatch(loop);
        }
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    return query.done ? query.inputs : QList<SoundInput>{};
}

SoundInputLister systemSoundInputLister()
{
    return [](QObject* context, std::function<void(QList<SoundInput>)> done) {
        auto found = std::make_shared<QList<SoundInput>>();
        QThread* thread = QThread::create([found] { *found = querySoundInputs(); });
        // Queued to context's thread; a context deleted meanwhile takes the connection with it.
        QObject::connect(thread, &QThread::finished, context, [found, done] { done(*found); });
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->start();
    };
}
