// LTC through a real sound server: written into a private PulseAudio server's null output and read
// from its monitor by the LTC input, as a show feeds it. Reports the time from a frame's end
// leaving the writer until its timecode is readable on the window's thread, the decoder's CPU at
// 48 kHz, and the frames lost over the run.
//
//   velmora-ltc-bench [--seconds 60] [--fps 25] [--writer-ms 10]

#include "artnet/timecodeframes.h"
#include "benchclock.h"
#include "benchtable.h"
#include "ltcaudio.h"
#include "platform/ltcinput.h"
#include "platform/ltcreader.h"
#include "pulsenullsink.h"
#include "samplestats.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU seconds of this process's thread of that name (the LTC input's), from /proc.
double threadCpuSeconds(const QString& name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || QString::fromLatin1(comm.readAll()).trimmed() != name)
            continue;
        QFile stat(tasks.filePath(task + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList fields = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        // utime and stime, fields 14 and 15 of the line, 12 and 13 after the name.
        return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int seconds = 60;
    int fps = 25;
    // The writer hands this much at a time to a buffer of twice that, as a playback machine's
    // output would.
    int writerBlockMs = 10;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--fps"))
            fps = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--writer-ms"))
            writerBlockMs = args[i + 1].toInt();
    }
    const quint8 type = fps == 24 ? 0 : fps == 30 ? 3 : 1;

    PulseNullSink server;
    if (!server.start()) {
        std::fprintf(stderr, "no sound server: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    LtcSignal signal;
    signal.start = ArtTimecode{0, 0, 0, 1, type};
    signal.frames = seconds * TimecodeFrames::framesPerSecond(type);
    signal.dBFS = -10.0;
    std::vector<qint64> frameEnds;
    std::vector<float> samples = encodeLtc(signal, &frameEnds);

    // The decoder alone, over the whole signal in the input's 10 ms blocks.
    double decoderShare = 0;
    {
        LtcReader reader(LtcSignal::SampleRate);
        const int block = LtcSignal::SampleRate / 1000 * LtcInput::FragmentMs;
        const qint64 started = nowNs();
        int decoded = 0;
        for (size_t done = 0; done < samples.size(); done += size_t(block))
            decoded +=
                int(reader.write(samples.data() + done, int(std::min<size_t>(block, samples.size() - done)))
                        .size());
        const double spent = double(nowNs() - started) / 1e9;
        decoderShare = spent / (double(samples.size()) / LtcSignal::SampleRate) * 100.0;
        std::printf(
            "decoder alone: %d of %d frames, %.3f s of CPU for %.0f s of 48 kHz LTC: %.3f %% of a core\n",
            decoded, signal.frames, spent, double(samples.size()) / LtcSignal::SampleRate, decoderShare);
    }

    // The frame's end leaving the writer: when the block that holds it was handed to the server.
    const qint64 startCount = TimecodeFrames::count(signal.start).value_or(0);
    std::vector<std::atomic<qint64>> writtenNs(frameEnds.size());
    std::vector<qint64> readNs(frameEnds.size(), 0);
    std::atomic<size_t> nextEnd{0};
    LtcInput input(nullptr, [](const QString& line) { std::printf("%s\n", qPrintable(line)); });
    QObject::connect(&input, &LtcInput::timecodeDecoded, &app, [&](const ArtTimecode& timecode) {
        const qint64 index = TimecodeFrames::count(timecode).value_or(-1) - startCount;
        if (index >= 0 && index < qint64(readNs.size()) && readNs[size_t(index)] == 0)
            readNs[size_t(index)] = nowNs();
    });
    input.setInput(PulseNullSink::monitorSource());
    // A second reader of the same monitor, parec's recording decoded afterwards: a frame missing
    // there never reached the server's output (the writer ran dry), one missing only from the
    // input's frames was lost by the input.
    if (!server.startRecording()) {
        std::fprintf(stderr, "cannot record the null output: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QThread::msleep(300);
    const double cpuBefore = threadCpuSeconds(QStringLiteral("velmora-ltc"));

    LtcPlayer player;
    player.onBlockWritten([&](qint64 written) {
        const qint64 now = nowNs();
        for (size_t end = nextEnd; end < frameEnds.size() && frameEnds[end] <= written; end = ++nextEnd)
            writtenNs[end] = now;
    });
    QElapsedTimer wall;
    wall.start();
    player.play(samples, writerBlockMs);
    while (player.playing())
        app.processEvents(QEventLoop::AllEvents, 5);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        app.processEvents(QEventLoop::AllEvents, 5);
    const double cpuAfter = threadCpuSeconds(QStringLiteral("velmora-ltc"));
    const double playedSeconds = double(wall.elapsed()) / 1000.0;
    if (!player.wait())
        std::fprintf(stderr, "writer: %s\n", qPrintable(player.errorString()));

    std::vector<bool> recorded(frameEnds.size(), false);
    {
        const QByteArray recording = server.recording();
        const auto* pcm = reinterpret_cast<const qint16*>(recording.constData());
        const int count = int(recording.size() / qsizetype(sizeof(qint16) * PulseNullSink::Channels));
        std::vector<float> mono(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            mono[size_t(i)] = float(pcm[i * PulseNullSink::Channels]) / 32768.0F;
        LtcReader reader(PulseNullSink::SampleRate);
        // In short blocks: the decoder queues only a few dozen frames between reads.
        constexpr int Block = PulseNullSink::SampleRate / 100;
        for (int done = 0; done < count; done += Block) {
            for (const LtcReader::Frame& frame :
                 reader.write(mono.data() + done, std::min(Block, count - done))) {
                const qint64 index = TimecodeFrames::count(frame.timecode).value_or(-1) - startCount;
                if (index >= 0 && index < qint64(recorded.size()))
                    recorded[size_t(index)] = true;
            }
        }
    }

    std::vector<qint64> latencies;
    int lost = 0;
    int lostByInput = 0;
    // The last frame has no edge after it and the first goes to finding the clock: not counted.
    for (size_t index = 1; index + 1 < frameEnds.size(); ++index) {
        if (readNs[index] == 0) {
            lostByInput += recorded[index] ? 1 : 0;
            if (++lost <= 10)
                std::printf("lost frame %zu, %.1f s into the run\n", index,
                            double(frameEnds[index]) / LtcSignal::SampleRate);
            continue;
        }
        latencies.push_back(readNs[index] - writtenNs[index]);
    }
    const SampleSummary latency = summarize(latencies);
    const double frameMs = 1000.0 / TimecodeFrames::framesPerSecond(type);
    std::printf("run: %d s of %d fps LTC (%zu frames), writer blocks %d ms, input fragments %d ms\n", seconds,
                fps, frameEnds.size(), writerBlockMs, LtcInput::FragmentMs);
    std::printf("frame end written -> timecode readable on the window's thread: median %.2f ms, p99 %.2f ms, "
                "max %.2f ms (1.5 frames = %.1f ms)\n",
                latency.medianUs / 1000, latency.p99Us / 1000, latency.maxUs / 1000, 1.5 * frameMs);
    std::printf(
        "frames lost: %d of %zu; the null output's recording holds %d frames, and %d of the lost ones "
        "(lost by the input)\n",
        lost, frameEnds.size() - 2, int(std::count(recorded.begin(), recorded.end(), true)), lostByInput);
    if (cpuBefore >= 0 && cpuAfter >= 0)
        std::printf("LTC input thread (server reads + decoder): %.2f s of CPU in %.1f s: %.2f %% of a core\n",
                    cpuAfter - cpuBefore, playedSeconds, (cpuAfter - cpuBefore) / playedSeconds * 100.0);
    return 0;
}
