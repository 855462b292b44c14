#include "ltcaudio.h"

#include "artnet/timecodeframes.h"

#include <ltc.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {
double framesPerSecond(quint8 type)
{
    return type == 2 ? 30000.0 / 1001.0 : double(TimecodeFrames::framesPerSecond(type));
}

LTC_TV_STANDARD standardOf(quint8 type)
{
    switch (type) {
    case 0:
        return LTC_TV_FILM_24;
    case 1:
        return LTC_TV_625_50;
    default:
        return LTC_TV_525_60;
    }
}
} // namespace

ArtTimecode nextTimecode(const ArtTimecode& timecode, int step)
{
    const qint64 perDay = TimecodeFrames::framesPerDay(timecode.type);
    const qint64 count = (TimecodeFrames::count(timecode).value_or(0) + step + perDay) % perDay;
    // Back from a count to labels: the count of each label is searched from the hour down.
    ArtTimecode next = timecode;
    const int perSecond = TimecodeFrames::framesPerSecond(timecode.type);
    for (int hours = 23; hours >= 0; --hours) {
        if (TimecodeFrames::count(hours, 0, 0, 0, timecode.type).value_or(0) > count)
            continue;
        for (int minutes = 59; minutes >= 0; --minutes) {
            if (TimecodeFrames::count(hours, minutes, 0, 0, timecode.type).value_or(0) > count)
                continue;
            for (int seconds = 59; seconds >= 0; --seconds) {
                const qint64 atSecond =
                    TimecodeFrames::count(hours, minutes, seconds, 0, timecode.type).value_or(0);
                if (atSecond > count)
                    continue;
                for (int frames = perSecond - 1; frames >= 0; --frames) {
                    if (TimecodeFrames::count(hours, minutes, seconds, frames, timecode.type) == count) {
                        next.hours = quint8(hours);
                        next.minutes = quint8(minutes);
                        next.seconds = quint8(seconds);
                        next.frames = quint8(frames);
                        return next;
                    }
                }
            }
        }
    }
    return next;
}

std::vector<float> encodeLtc(const LtcSignal& signal, std::vector<qint64>* frameEnds)
{
    const quint8 type = signal.start.type;
    LTCEncoder* encoder =
        ltc_encoder_create(LtcSignal::SampleRate, framesPerSecond(type), standardOf(type), 0);
    // libltc's speed is the other way round (above 1 slower), and negative plays the bits backwards.
    const double stretch = 1.0 / signal.speed;
    ltc_encoder_set_buffersize(encoder, LtcSignal::SampleRate,
                               framesPerSecond(type) / std::max(1.0, stretch));
    ltc_encoder_set_volume(encoder, signal.dBFS);
    std::vector<float> samples;
    ArtTimecode timecode = signal.start;
    for (int frame = 0; frame < signal.frames; ++frame) {
        SMPTETimecode time{};
        std::snprintf(time.timezone, sizeof time.timezone, "+0000");
        time.hours = timecode.hours;
        time.mins = timecode.minutes;
        time.secs = timecode.seconds;
        time.frame = timecode.frames;
        ltc_encoder_set_timecode(encoder, &time);
        LTCFrame bits;
        ltc_encoder_get_frame(encoder, &bits);
        bits.dfbit = type == 2 ? 1 : 0;
        ltc_frame_set_parity(&bits, standardOf(type));
        ltc_encoder_set_frame(encoder, &bits);
        // A tape played backwards sends each frame's bytes, and the bits in them, last first.
        for (int byte = 0; byte < 10; ++byte) {
            ltc_encoder_encode_byte(encoder, signal.backwards ? 9 - byte : byte,
                                    signal.backwards ? -stretch : stretch);
            ltcsnd_sample_t* buffer = nullptr;
            const int count = ltc_encoder_get_bufferptr(encoder, &buffer, 1);
            for (int i = 0; i < count; ++i)
                samples.push_back((float(buffer[i]) - 128.0F) / 127.0F);
        }
        if (frameEnds)
            frameEnds->push_back(qint64(samples.size()));
        timecode = nextTimecode(timecode, signal.backwards ? -1 : 1);
    }
    // The last bit is only known at the edge that ends it.
    ltc_encoder_end_encode(encoder);
    ltcsnd_sample_t* buffer = nullptr;
    const int count = ltc_encoder_get_bufferptr(encoder, &buffer, 1);
    for (int i = 0; i < count; ++i)
        samples.push_back((float(buffer[i]) - 128.0F) / 127.0F);
    ltc_encoder_free(encoder);
    return samples;
}

struct LtcPlayer::State
{
    std::thread thread;
    std::atomic<bool> playing{false};
    std::function<void(qint64)> written;
    QString error;
};

LtcPlayer::LtcPlayer() : state(std::make_shared<State>()) {}

LtcPlayer::~LtcPlayer()
{
    wait();
}

void LtcPlayer::onBlockWritten(std::function<void(qint64)> written)
{
    state->written = std::move(written);
}

QString LtcPlayer::errorString() const
{
    return state->error;
}

void LtcPlayer::play(std::vector<float> samples, int blockMs)
{
    wait();
    state->playing = true;
    state->thread = std::thread([state = state, samples = std::move(samples), blockMs] {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, LtcSignal::SampleRate, 1};
        const size_t block = size_t(LtcSignal::SampleRate / 1000 * blockMs);
        // A short buffer: each write returns about when its block starts to play.
        pa_buffer_attr attributes;
        attributes.maxlength = uint32_t(-1);
        attributes.tlength = uint32_t(block * 2 * sizeof(float));
        attributes.prebuf = uint32_t(-1);
        attributes.minreq = uint32_t(-1);
        attributes.fragsize = uint32_t(-1);
        int error = 0;
        pa_simple* stream = pa_simple_new(nullptr, "Velmora test LTC", PA_STREAM_PLAYBACK, nullptr, "LTC",
                                          &spec, nullptr, &attributes, &error);
        if (!stream) {
            state->error = QString::fromUtf8(pa_strerror(error));
            state->playing = false;
            return;
        }
        for (size_t done = 0; done < samples.size(); done += block) {
            const size_t count = std::min(block, samples.size() - done);
            if (pa_simple_write(stream, samples.data() + done, count * sizeof(float), &error) < 0) {
                state->error = QString::fromUtf8(pa_strerror(error));
                break;
            }
            if (state->written)
                state->written(qint64(done + count));
        }
        if (state->error.isEmpty() && pa_simple_drain(stream, &error) < 0)
            state->error = QString::fromUtf8(pa_strerror(error));
        pa_simple_free(stream);
        state->playing = false;
    });
}

bool LtcPlayer::playing() const
{
    return state->playing;
}

bool LtcPlayer::wait()
{
    if (state->thread.joinable())
        state->thread.join();
    return state->error.isEmpty();
}
