#pragma once

#include "artnet/arttimecode.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <pulse/pulseaudio.h>

#include <atomic>
#include <functional>
#include <memory>

class LtcReader;

// Reads linear timecode from a sound input of the PulseAudio server, on a thread of its own
// (PulseAudio's threaded main loop), and hands each decoded frame to the window through a queued
// signal: the window never waits for the server or the decoder. An input that is missing or goes
// away is said once on standard output and tried again every second, as the sound output does.
class LtcInput : public QObject
{
    Q_OBJECT

public:
    // 48 kHz mono: the server mixes a stereo input down, so LTC on either channel is read while
    // the other is silent or carries the same LTC.
    static constexpr int SampleRate = 48000;
    // The server hands the recording over in blocks this long: a block is a third of a 30 fps
    // frame, so a frame is readable soon after its sync word without waking the thread too often.
    static constexpr int FragmentMs = 10;
    static constexpr int RetryMs = 1000;
    // hasSignal() holds for this long after the last frame decoded: a few frames at 24 fps.
    static constexpr int SignalHoldMs = 250;

    using Report = std::function<void(const QString& line)>;

    // server: empty for the user's own (or PULSE_SERVER); report: empty for standard output.
    explicit LtcInput(QObject* parent = nullptr, Report report = {}, const QByteArray& server = {});
    ~LtcInput() override;

    // The sound server's name of the input to read (a PulseAudio source); empty reads nothing.
    void setInput(const QString& sourceName);
    QString input() const { return inputName; }
    // Whether LTC was decoded in the last SignalHoldMs.
    bool hasSignal() const;

signals:
    // Each frame decoded, in the order heard. Emitted on the input's thread.
    void timecodeDecoded(const ArtTimecode& timecode);
    // The server's description of the input, once it is found.
    void inputDescribed(const QString& description);

private:
    void connectContext();
    void openStream();
    void failed(const QString& reason, bool serverFault);
    void scheduleRetry();
    void dropStream();
    void dropContext();
    void read(pa_stream* stream);

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onRead(pa_stream* stream, size_t bytes, void* self);
    static void onSourceInfo(pa_context* context, const pa_source_info* info, int eol, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

    Report report;
    QByteArray server;
    QString inputName;
    // Everything below belongs to the input's thread; the GUI thread touches it only under the
    // main loop's lock, which is never held while waiting for the server.
    pa_threaded_mainloop* loop = nullptr;
    pa_mainloop_api* api = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* retry = nullptr;
    QByteArray source;
    std::unique_ptr<LtcReader> reader;
    bool reading = false;
    // What the log last said, so that an outage is told once, not every second.
    enum class Told
    {
        Nothing,
        NoServer,
        NoInput,
        Lost
    } told = Told::Nothing;
    std::atomic<qint64> lastFrameMs{-1};
};
