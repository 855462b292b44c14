#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <pulse/mainloop-api.h>

#include "soundoutput.h"
#include "soundshape.h"
#include "voicestate.h"

#include <QList>

class PulseOutput;
struct pa_mainloop;

struct SoundEngineOptions
{
    // The sound server to play into; empty: the system's own, as PulseAudio finds it.
    QByteArray server;
    // Where the engine's lines for the technician go (a missing server, a file that cannot be
    // played); called on the engine's thread. Empty: standard output.
    std::function<void(const QString& line)> report;
};

// The sound output of the whole program, on a thread of its own: it decodes the cue files and
// talks to the sound server (PulseAudio's own API), so that the window never waits for the
// server, the disk or the decoder. Every call here posts a request to that thread and returns at
// once. The thread and the connection to the server start with the first file loaded.
class SoundEngine
{
public:
    explicit SoundEngine(SoundEngineOptions options = {});
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // The engine that the program's sounds share; made on first use, gone with its last user.
    static std::shared_ptr<SoundEngine> shared();

    // Opens a file on the engine's thread; returns the number by which it is played. The engine
    // sets state's playing to 0 when the play it holds the number of ends, and tells the file's
    // length there once it has opened it.
    quint64 load(const QString& fileName, std::shared_ptr<VoiceState> state);
    void unload(quint64 voice);
    // A play while the voice plays fades the earlier playback out quickly, without a click.
    void play(quint64 voice, qint64 offsetMs, quint64 generation, const SoundShape& shape = {});
    // Asks the sound server for its outputs; answer is called on the engine's thread, with none
    // when there is no server. The caller takes the answer to its own thread.
    void listOutputs(std::function<void(const QList<SoundOutput>&)> answer);
    // Ends the voice's playback with a fade of fadeMs; 0 cuts it.
    void stop(quint64 voice, int fadeMs);

private:
    using Request = std::function<void(PulseOutput&)>;

    void post(Request request);
    void run();
    void runRequests();
    static void onWake(pa_mainloop_api* api, pa_io_event* event, int fd, pa_io_event_flags_t flags,
                       void* self);

    SoundEngineOptions options;
    pa_mainloop* mainloop = nullptr;
    int wakeFd = -1;
    // The engine thread's own; set while it runs.
    PulseOutput* output = nullptr;
    std::thread thread;
    std::mutex mutex;
    std::vector<Request> requests;
    bool started = false;
    quint64 nextVoice = 1;
};
