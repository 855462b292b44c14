#include "soundengine.h"

#include "pulseoutput.h"

#include "diagnostics/linewriter.h"

#include <pulse/pulseaudio.h>

#include <pthread.h>
#include <sched.h>

#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace {

void writeToStandardOutput(const QString& line)
{
    // From the engine's thread too: the writer never waits for the reader of standard output.
    writeStandardOutputLine(line);
}

} // namespace

SoundEngine::SoundEngine(SoundEngineOptions engineOptions) : options(std::move(engineOptions))
{
    if (!options.report)
        options.report = writeToStandardOutput;
    mainloop = pa_mainloop_new();
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

SoundEngine::~SoundEngine()
{
    if (thread.joinable()) {
        post([this](PulseOutput&) { pa_mainloop_quit(mainloop, 0); });
        thread.join();
    }
    if (mainloop)
        pa_mainloop_free(mainloop);
    if (wakeFd >= 0)
        close(wakeFd);
}

std::shared_ptr<SoundEngine> SoundEngine::shared()
{
    static std::weak_ptr<SoundEngine> current;
    std::shared_ptr<SoundEngine> engine = current.lock();
    if (!engine) {
        engine = std::make_shared<SoundEngine>();
        current = engine;
    }
    return engine;
}

quint64 SoundEngine::load(const QString& fileName, std::shared_ptr<VoiceState> state)
{
    const quint64 voice = nextVoice++;
    post([voice, fileName, state = std::move(state)](PulseOutput& output) mutable {
        output.load(voice, fileName, std::move(state));
    });
    return voice;
}

void SoundEngine::unload(quint64 voice)
{
    post([voice](PulseOutput& output) { output.unload(voice); });
}

void SoundEngine::play(quint64 voice, qint64 offsetMs, quint64 generation, const SoundShape& shape)
{
    post([voice, offsetMs, generation, shape](PulseOutput& output) {
        output.play(voice, offsetMs, generation, shape);
    });
}

void SoundEngine::listOutputs(std::function<void(const QList<SoundOutput>&)> answer)
{
    post([answer = std::move(answer)](PulseOutput& output) { output.listOutputs(answer); });
}

void SoundEngine::stop(quint64 voice, int fadeMs)
{
    post([voice, fadeMs](PulseOutput& output) { output.stop(voice, fadeMs); });
}

void SoundEngine::post(Request request)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!mainloop || wakeFd < 0)
            return;
        wake = requests.empty();
        requests.push_back(std::move(request));
        if (!started) {
            started = true;
            thread = std::thread([this] { run(); });
        }
    }
    // One wake-up for a batch: the thread takes every request queued when it wakes.
    if (wake) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd, &one, sizeof one);
    }
}

void SoundEngine::run()
{
    // Named, so that a look at the process's threads (top -H, a benchmark) tells the engine apart.
    pthread_setname_np(pthread_self(), "velmora-sound");
    // A request from the window wakes this thread; on a machine with every core busy it would
    // take the core from the window at once, and the window's play() or stop() would wait for
    // the stream being opened. A batch thread does not preempt on waking: it runs as soon as the
    // window goes back to its event loop, well inside what the streams hold (BufferMs).
    const sched_param batch{0};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
    pa_mainloop_api* api = pa_mainloop_get_api(mainloop);
    PulseOutput pulse(api, options.server, options.report);
    output = &pulse;
    pa_io_event* wake = api->io_new(api, wakeFd, PA_IO_EVENT_INPUT, onWake, this);
    runRequests();
    int result = 0;
    pa_mainloop_run(mainloop, &result);
    api->io_free(wake);
    output = nullptr;
}

void SoundEngine::runRequests()
{
    quint64 count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd, &count, sizeof count);
    std::vector<Request> batch;
    {
        std::lock_guard<std::mutex> lock(mutex);
        batch.swap(requests);
    }
    for (Request& request : batch)
        request(*output);
}

void SoundEngine::onWake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* self)
{
    static_cast<SoundEngine*>(self)->runRequests();
}
