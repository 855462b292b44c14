#pragma once

#include "pulsevoice.h"
#include "soundoutput.h"

#include <QList>

#include <QString>

#include <pulse/pulseaudio.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// The connection to the sound server and the cue files that play through it. Lives on the sound
// engine's thread alone. A server that is missing or goes away is tried again every second, so
// that a restarted server plays the next cue without Velmora being restarted.
class PulseOutput
{
public:
    PulseOutput(pa_mainloop_api* api, const QByteArray& server, PulseVoice::Report report);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    void load(quint64 id, const QString& fileName, std::shared_ptr<VoiceState> state);
    void unload(quint64 id);
    void play(quint64 id, qint64 offsetMs, quint64 generation, const SoundShape& shape = {});
    // Answers with the server's outputs as it has them now, once connected; none when there is no
    // server.
    void listOutputs(std::function<void(const QList<SoundOutput>&)> answer);
    void stop(quint64 id, int fadeMs);

    static constexpr int RetryMs = 1000;

private:
    struct PendingPlay
    {
        quint64 id;
        qint64 offsetMs;
        quint64 generation;
        SoundShape shape;
    };

    void connect();
    void ready();
    void failed(const QString& reason);
    void dropContext();
    void startPlay(const PendingPlay& request);
    PulseVoice* voice(quint64 id);

    static void onContextState(pa_context* context, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

    pa_mainloop_api* api;
    QByteArray server;
    PulseVoice::Report report;
    pa_context* context = nullptr;
    pa_time_event* retry = nullptr;
    bool contextReady = false;
    // What the log last said about the server, so that an outage is told once, not every second.
    enum class Told
    {
        Nothing,
        NoServer,
        Lost
    } told = Told::Nothing;
    std::map<quint64, std::unique_ptr<PulseVoice>> voices;
    // Plays asked for while the connection is being made; started once it is.
    std::vector<PendingPlay> pending;
    std::vector<std::function<void(const QList<SoundOutput>&)>> pendingListings;
};
