#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private PulseAudio server of the test's own, whose outputs are two null sinks (the first is
// the default output), and recordings of what is played into either. Lets a test hear what the program really
// sends to the system's sound output, without a sound card and without touching the user's sound server.
//
// Start it once per test program, before the sound engine first connects: a PulseAudio client
// finds its server when it connects and does not notice a server started later.
class PulseNullSink
{
public:
    // The recording's format: 16-bit little-endian stereo samples at 44.1 kHz.
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;
    // The sound server's names of the two outputs.
    static const QString FirstSink;
    static const QString SecondSink;

    // The null sink's monitor: the input that hears what is played into the sink.
    static QString monitorSource();

    PulseNullSink();
    ~PulseNullSink();
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;

    // Starts the server and points this process's sound clients at it. False, with the reason in
    // errorString(), when no server can run here (PulseAudio not installed, say).
    bool start();
    QString errorString() const;
    // Ends the server as a crash would (SIGKILL), and the recording with it. start() and
    // startRecording() bring both back at the same address.
    void kill();

    // Starts recording the sink's monitor; returns once recorded samples arrive.
    bool startRecording(const QString& sink = FirstSink);
    // Everything recorded from the sink so far, as it has reached the test through the event loop.
    QByteArray recording(const QString& sink = FirstSink);
    // The frame of the recording that the sink is playing now, estimated from the times at
    // which recorded blocks arrived: the value is low by at most the monitor's quickest delivery.
    qint64 currentFrame();

private:
    void readRecording();
    void readSecondRecording();
    bool fail(const QString& reason);

    QTemporaryDir runtimeDir;
    QProcess server;
    QProcess recorder;
    QProcess secondRecorder;
    QByteArray secondRecorded;
    QString serverAddress;
    QString error;
    QByteArray recorded;
    QElapsedTimer clock;
    // The lowest arrival time seen minus the time that the frames before it took to play: the
    // clock time at which the sink played frame 0.
    qint64 frameZeroNanoseconds = 0;
    bool frameZeroKnown = false;
};
