#pragma once

#include "audiofilereader.h"
#include "fadingstream.h"
#include "shapedsource.h"
#include "soundshape.h"
#include "voicestate.h"

#include <QString>

#include <pulse/pulseaudio.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// One cue file on the sound server: its reader, and while it plays a playback stream of its own
// that pulls blocks from the file as the server asks for them. Lives on the sound engine's thread
// alone; nothing here is called from the window.
class PulseVoice
{
public:
    using Report = std::function<void(const QString& line)>;

    // state's playing holds the number of the play() that the window is waiting on, 0 for none;
    // the voice sets it back to 0 when that playback has been heard to its end or cannot go on,
    // and tells the file's length there whenever it opens the file.
    PulseVoice(const QString& fileName, std::shared_ptr<VoiceState> state);
    ~PulseVoice();
    PulseVoice(const PulseVoice&) = delete;
    PulseVoice& operator=(const PulseVoice&) = delete;

    // Opens the file; says in one line why a file cannot be played.
    void load(const Report& report);
    // A playback under way fades out over QuickFadeMs as the new one starts.
    // Plays the file as it is on disk now, opened again: a cue re-exported under the same name
    // since the cues were built plays its new sound. A problem with the file is said once, not at
    // every start of a cue whose file stays broken.
    // The playback takes shape's level, fade in and output; an output the server does not have
    // (a USB interface unplugged) plays on the default output, said once until it is back.
    void play(pa_context* context, pa_mainloop_api* api, qint64 offsetMs, quint64 generation,
              const SoundShape& shape = {});
    // Ends the playback; with a fade of fadeMs when it sounds, at once for 0. A fade in under way
    // stops rising where it is heard, and the fade out goes down from there.
    void stop(int fadeMs = 0);
    // The sound server went away: the stream is gone with it.
    void abandon();
    // A play that could not even start: the window stops waiting for it.
    void refuse(quint64 generation);

    // How long a stream holds ahead of what is heard: room for the engine's thread, and the
    // server's thread that asks it for more, to be late (a slow disk, a busy machine) without a
    // dropout. It costs no start latency: the device holds only DeviceMs of it.
    static constexpr int BufferMs = 250;
    // About how much the device holds ahead of what is heard. The server mixes a new stream in at
    // once (it rewinds what the device holds), and a null output's monitor hears a start or a fade
    // at the next block of this length, so it bounds how late a cue is heard.
    static constexpr int DeviceMs = 20;
    // How much the server asks for at a time once a playback runs: the server keeps the device at
    // BufferMs less two requests, so the request is as large as that leaves DeviceMs. A cue that
    // plays on wakes the engine about 8 times a second, and a request still leaves it well over
    // 100 ms to answer.
    static constexpr int RequestMs = (BufferMs - DeviceMs) / 2;
    // How often the end of a playback is checked once the last sample has been written.
    static constexpr int EndCheckMs = 10;
    // A server that stops playing altogether must not keep a cue "playing" for ever.
    static constexpr int EndGraceMs = 3000;
    // A playback that gives way to a new one of the same file (a locate) is faded out over this
    // time: long enough that the cut makes no click, short enough not to be heard as a crossfade.
    static constexpr int QuickFadeMs = 20;

private:
    bool reopen();
    bool connectStream(const QByteArray& device);
    void outputMissing();
    // Why the opened file cannot go to the sound server; empty when it can.
    QString unusable() const;
    void fill(size_t bytes);
    void drained();
    void checkEnd();
    void scheduleEndCheck(pa_usec_t delay);
    void finish();
    void dropStream();
    void fadeStream(int fadeMs);

    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    static void onState(pa_stream* stream, void* self);
    static void onDrained(pa_stream* stream, int success, void* self);
    static void onEndCheck(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

    QString path;
    QByteArray streamName;
    std::shared_ptr<VoiceState> state;
    Report report;
    std::unique_ptr<AudioFileReader> reader = std::make_unique<AudioFileReader>();
    // The playback's samples; the reader moves into it at each play.
    std::unique_ptr<ShapedSource> source;
    pa_context* context = nullptr;
    // The output the playback was asked for, and the one it was last said to be missing.
    QByteArray device;
    QByteArray toldMissing;
    bool loaded = false;
    // The problem last said about the file, until it opens again.
    QString toldProblem;

    pa_stream* stream = nullptr;
    pa_mainloop_api* mainloop = nullptr;
    pa_time_event* endCheck = nullptr;
    quint64 generation = 0;
    qint64 framesWritten = 0;
    bool fileEnded = false;
    pa_usec_t endDeadline = 0;
    // Earlier playbacks on their way to silence.
    std::vector<std::unique_ptr<FadingStream>> fading;
};
