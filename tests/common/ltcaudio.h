#pragma once

#include "artnet/arttimecode.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// LTC as sound, for the tests and the benchmark of the LTC input: made by libltc's encoder, and
// played into the sound server's default output (a PulseNullSink's null sink, whose monitor is
// then the LTC input).
struct LtcSignal
{
    static constexpr int SampleRate = 48000;

    ArtTimecode start{0, 0, 0, 1, 1}; // type: 0 24, 1 25, 2 29.97 drop frame, 3 30 fps
    int frames = 50;
    double dBFS = -10.0;
    bool backwards = false; // each frame a frame earlier, and its bits in reverse order
    double speed = 1.0;     // varispeed: 1.1 plays 10 % fast
};

// Mono samples at LtcSignal::SampleRate, -1 to 1. frameEnds, if given, receives for each frame
// the count of samples up to the end of its sync word.
std::vector<float> encodeLtc(const LtcSignal& signal, std::vector<qint64>* frameEnds = nullptr);

// The frame after (or before) a timecode, by the rules of its rate.
ArtTimecode nextTimecode(const ArtTimecode& timecode, int step = 1);

// Plays mono samples into the server's default output in real time, from a thread of its own.
class LtcPlayer
{
public:
    LtcPlayer();
    ~LtcPlayer();
    // Plays samples; returns at once. blockMs: how much is handed to the server at a time.
    void play(std::vector<float> samples, int blockMs = 10);
    // Waits until everything handed over has been played out; false on an error.
    bool wait();
    // Whether it is still playing; lets a test run the event loop meanwhile.
    bool playing() const;
    // Called on the player's thread right after each block was handed to the server, with the
    // count of samples handed over so far.
    void onBlockWritten(std::function<void(qint64 samplesWritten)> written);
    QString errorString() const;

private:
    struct State;
    std::shared_ptr<State> state;
};
