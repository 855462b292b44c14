// The sound engine against a real PulseAudio server with a null sink (a private one, started
// here): the GUI thread's time in play() and stop(), the first cue against the tenth, rebuilding
// nine ten-minute cues (GUI time, memory, the longest gap between display ticks), and the delay
// from a timecode datagram to audible sound through the real main window. Prints the figures
// that the README quotes.
#include "app/mainwindow.h"
#include "cues/audiofileconfig.h"
#include "platform/sound.h"
#include "pulsenullsink.h"
#include "samplestats.h"
#include "tickgapwatch.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace ToneWav;

namespace {

// The CPU time so far of this process's thread of that name, in ms, by the scheduler's clock;
// -1 when no thread has the name.
double threadCpuMs(const QByteArray& name)
{
    QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name)
            continue;
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            return schedstat.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return -1;
}

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024) : 0;
}

template <typename Call>
double timedMs(Call call)
{
    return double(timeCall(call).wallNs) / 1e6;
}

// Where sound starts in the recording, from a frame on and before another: -1 for none.
double audibleAfterMs(const QByteArray& recording, qint64 fromFrame, qint64 beforeFrame)
{
    const AudibleSpan span = audibleSpan(recording.left(beforeFrame * 4), fromFrame);
    return span.isEmpty() ? -1 : framesToMs(span.first - fromFrame);
}

// play() and stop() in turn on one sound, as the cue check and the stop button call them.
void benchPlayAndStop(PulseNullSink& server, const SoundFactory& makeSound, const QString& file)
{
    constexpr int Rounds = 200;
    QObject owner;
    Sound* sound = makeSound(file, &owner);
    // What start-up does before the first cue can come: the engine connects, the file opens.
    QTest::qWait(1000);
    std::vector<double> playMs, stopMs;
    std::vector<qint64> playFrames;
    for (int round = 0; round < Rounds; ++round) {
        playFrames.push_back(server.currentFrame());
        playMs.push_back(timedMs([&] { sound->play(); }));
        QTest::qWait(80);
        stopMs.push_back(timedMs([&] { sound->stop(); }));
        QTest::qWait(40);
    }
    QTest::qWait(500);
    playFrames.push_back(server.currentFrame());
    (void)QTest::qWaitFor([&] { return server.recording().size() / 4 > playFrames.back(); }, 5000);
    const QByteArray recording = server.recording();
    std::vector<double> audibleMs;
    for (int round = 0; round < Rounds; ++round)
        audibleMs.push_back(
            audibleAfterMs(recording, playFrames[size_t(round)], playFrames[size_t(round) + 1]));
    const long silent = std::count(audibleMs.begin(), audibleMs.end(), -1.0);

    std::printf("\nplay() and stop() on the GUI thread, %d rounds against the null sink\n", Rounds);
    std::printf("| | median | p99 | max |\n|---|---|---|---|\n");
    std::printf("| play() | %.3f ms | %.3f ms | %.3f ms |\n", quantile(playMs, 50), quantile(playMs, 99),
                quantile(playMs, 100));
    std::printf("| stop() | %.3f ms | %.3f ms | %.3f ms |\n", quantile(stopMs, 50), quantile(stopMs, 99),
                quantile(stopMs, 100));
    std::printf("| play() to audible | %.1f ms | %.1f ms | %.1f ms |\n", quantile(audibleMs, 50),
                quantile(audibleMs, 99), quantile(audibleMs, 100));
    std::printf("first cue: play() %.3f ms, audible after %.1f ms; tenth cue: play() %.3f ms, audible after "
                "%.1f ms; silent plays: %ld\n",
                playMs[0], audibleMs[0], playMs[9], audibleMs[9], silent);
}

// Cues with a level, a fade in and a 2 s fade out: the GUI thread's time in a start and in a stop
// (the fades run on the engine's thread), and the CPU the engine's thread and the whole process
// take while two such cues at 48 kHz stereo crossfade, one starting as the other fades out.
void benchShapedCues(const SoundFactory& makeSound, const QTemporaryDir& dir)
{
    constexpr int Rounds = 100;
    constexpr int FadeOutMs = 2000;
    const QString paths[2] = {dir.filePath(QStringLiteral("shaped a.wav")),
                              dir.filePath(QStringLiteral("shaped b.wav"))};
    for (const QString& path : paths) {
        if (!writeToneFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 48000 * 6))
            return;
    }
    QObject owner;
    Sound* sounds[2] = {makeSound(paths[0], &owner), makeSound(paths[1], &owner)};
    for (Sound* sound : sounds)
        sound->setShape(SoundShape{-6, 500, FadeOutMs, {}});
    QTest::qWait(1000);
    std::vector<double> startMs, stopMs;
    for (int round = 0; round < Rounds; ++round) {
        Sound* sound = sounds[round % 2];
        startMs.push_back(timedMs([&] { sound->play(); }));
        QTest::qWait(30);
        stopMs.push_back(timedMs([&] { sound->stopCue(); }));
        QTest::qWait(10);
    }
    QTest::qWait(FadeOutMs + 200);

    // Crossfades for ten seconds: every 2.5 s the other cue starts and the playing one fades out.
    constexpr int CrossfadeMs = 10000;
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    const double engineBefore = threadCpuMs("velmora-sound");
    QElapsedTimer wall;
    wall.start();
    for (int round = 0; wall.elapsed() < CrossfadeMs; ++round) {
        sounds[(round + 1) % 2]->stopCue();
        sounds[round % 2]->play();
        QTest::qWait(2500);
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double engineMs = threadCpuMs("velmora-sound") - engineBefore;
    const double cpuMs =
        double(after.tv_sec - before.tv_sec) * 1e3 + double(after.tv_nsec - before.tv_nsec) / 1e6;
    for (Sound* sound : sounds)
        sound->stop();

    std::printf("\nCues at -6 dB with a 500 ms fade in and a %d ms fade out, %d starts and stops\n",
                FadeOutMs, Rounds);
    std::printf("| | median | p99 | max |\n|---|---|---|---|\n");
    std::printf("| start (GUI thread) | %.3f ms | %.3f ms | %.3f ms |\n", quantile(startMs, 50),
                quantile(startMs, 99), quantile(startMs, 100));
    std::printf("| stop with a %d ms fade out (GUI thread) | %.3f ms | %.3f ms | %.3f ms |\n", FadeOutMs,
                quantile(stopMs, 50), quantile(stopMs, 99), quantile(stopMs, 100));
    std::printf("Two cues crossfading at 48 kHz stereo for %.1f s: the engine's thread used %.2f %% of a "
                "core, the whole process %.2f %%\n",
                double(wall.elapsed()) / 1000, 100 * engineMs / double(wall.elapsed()),
                100 * cpuMs / double(wall.elapsed()));
}

// Nine ten-minute cues made, then rebuilt as Ok in the settings dialog does, then one started.
void benchRebuild(const SoundFactory& makeSound, const QTemporaryDir& dir)
{
    constexpr int Minutes = 10;
    const QString first = dir.filePath(QStringLiteral("long-0.wav"));
    // 48 kHz 24-bit stereo, as a show's cues often are.
    if (!writeToneFile(first, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, qint64(Minutes) * 60 * 48000)) {
        std::printf("could not write %s\n", qPrintable(first));
        return;
    }
    std::array<QString, AudioSlotCount> paths;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        paths[size_t(slot)] = dir.filePath(QStringLiteral("long-%1.wav").arg(slot));
        // Hard links: nine files to the engine, one on the disk.
        if (slot > 0 &&
            ::link(QFile::encodeName(first).constData(), QFile::encodeName(paths[size_t(slot)])) != 0)
            QFile::copy(first, paths[size_t(slot)]);
    }
    TickGapWatch watch(MainWindow::DisplayIntervalMs);
    QObject owner;
    std::array<Sound*, AudioSlotCount> sounds{};
    const auto build = [&] {
        for (int slot = 0; slot < AudioSlotCount; ++slot)
            sounds[size_t(slot)] = makeSound(paths[size_t(slot)], &owner);
    };
    const auto destroy = [&] {
        for (Sound*& sound : sounds) {
            sound->stop();
            delete sound;
            sound = nullptr;
        }
    };

    QTest::qWait(200);
    const double rssBefore = residentMiB();
    watch.restart();
    const double buildMs = timedMs(build);
    QTest::qWait(1500);
    const double buildGapMs = watch.longestGapMs();
    const double rssLoaded = residentMiB();

    watch.restart();
    const double rebuildMs = timedMs([&] {
        destroy();
        build();
    });
    QTest::qWait(1500);
    const double rebuildGapMs = watch.longestGapMs();

    watch.restart();
    const double cueMs = timedMs([&] {
        for (Sound* sound : sounds)
            sound->stop();
        sounds[0]->play();
    });
    QTest::qWait(2000);
    const double cueGapMs = watch.longestGapMs();
    const double rssPlaying = residentMiB();
    destroy();

    std::printf("\nnine %d-minute 48 kHz 24-bit stereo WAV cues (%.0f MB each)\n", Minutes,
                double(QFile(first).size()) / 1e6);
    std::printf("| | GUI time | longest tick gap |\n|---|---|---|\n");
    std::printf("| made at start-up | %.3f ms | %.1f ms |\n", buildMs, buildGapMs);
    std::printf("| rebuilt (nine deleted, nine made) | %.3f ms | %.1f ms |\n", rebuildMs, rebuildGapMs);
    std::printf("| cue start (nine stop(), one play()) | %.3f ms | %.1f ms |\n", cueMs, cueGapMs);
    std::printf("resident memory: %.1f MiB before, +%.1f MiB with nine loaded, +%.1f MiB with one playing\n",
                rssBefore, rssLoaded - rssBefore, rssPlaying - rssBefore);
}

// A timecode datagram over loopback to the real main window, to sound in the null sink.
void benchDatagramToSound(PulseNullSink& server, const SoundFactory& makeSound, const QString& file)
{
    constexpr int Rounds = 40;
    WindowHarness harness(cueList({{0, file, 0, 0, 10}}), false, makeSound);
    QTest::qWait(1000);

    std::vector<qint64> sendFrames;
    for (int round = 0; round < Rounds; ++round) {
        // The console is located back and runs onto the cue again: the located frame is
        // confirmed by the next one.
        harness.queueTimecode(QStringLiteral("127.0.0.1"), 0, 0, 9, 23);
        QTest::qWait(40);
        harness.queueTimecode(QStringLiteral("127.0.0.1"), 0, 0, 9, 24);
        // Somewhere within the display tick, as a real console's packets fall.
        QTest::qWait(60 + round % 20);
        sendFrames.push_back(server.currentFrame());
        harness.queueTimecode(QStringLiteral("127.0.0.1"), 0, 0, 10, 0);
        QTest::qWait(500);
    }
    sendFrames.push_back(server.currentFrame());
    (void)QTest::qWaitFor([&] { return server.recording().size() / 4 > sendFrames.back(); }, 5000);
    const QByteArray recording = server.recording();
    std::vector<double> latencyMs;
    for (int round = 0; round < Rounds; ++round) {
        const double ms = audibleAfterMs(recording, sendFrames[size_t(round)], sendFrames[size_t(round) + 1]);
        if (ms >= 0)
            latencyMs.push_back(ms);
    }
    std::printf("\nArtTimeCode datagram to audible sound, real main window, %d cues (%zu heard)\n", Rounds,
                latencyMs.size());
    std::printf("median %.1f ms, p99 %.1f ms, min %.1f ms\n", quantile(latencyMs, 50),
                quantile(latencyMs, 99), quantile(latencyMs, 0));
}

// Cues that follow timecode: a console located into the middle of a 10-second cue runs a second
// there and stops. The place heard is read from the recording itself (every sample of the file
// says where in the file it is), not from what the program says it did.
void benchFollow(PulseNullSink& server, const SoundFactory& makeSound, const QTemporaryDir& dir)
{
    constexpr int Rounds = 30;
    constexpr int FrameMs = 40;
    constexpr double GoodMs = FrameMs; // a place within a frame of the timecode's
    const QString path = dir.filePath(QStringLiteral("places.wav"));
    if (!writeCueFile(path, placeWav(10000)))
        return;
    AudioFileConfig cues = cueList({{0, path, 0, 0, 10}});
    cues.followTimecode = true;
    WindowHarness harness(cues, false, makeSound);
    QTest::qWait(500);

    struct Round
    {
        qint64 locateFrame = 0; // the recording's frame when the locate datagram left
        qint64 placeMs = 0;     // the place in the cue it named
        qint64 lastFrame = 0;   // when the console's last datagram left
    };
    std::vector<Round> rounds;
    QElapsedTimer clock;
    for (int round = 0; round < Rounds; ++round) {
        // Somewhere between 1 and 8 s into the cue, never on a frame boundary of the tick.
        const int startFrame = 25 + (round * 37) % 175;
        Round measured;
        clock.start();
        for (int frame = 0; frame < 25; ++frame) {
            QTest::qWait(int(qMax<qint64>(0, qint64(frame) * FrameMs - clock.elapsed())));
            const int at = 250 + startFrame + frame; // frames since 00:00:00:00 at 25 fps
            const qint64 recordingFrame = server.currentFrame();
            if (frame == 0)
                measured = {recordingFrame, qint64(startFrame) * FrameMs, 0};
            measured.lastFrame = recordingFrame;
            harness.queueTimecode(QStringLiteral("127.0.0.1"), 0, 0, quint8(at / 25), quint8(at % 25));
        }
        rounds.push_back(measured);
        QTest::qWait(int(CueFollower::FreewheelMs) + 400 + round % 20);
    }
    const qint64 endFrame = server.currentFrame();
    (void)QTest::qWaitFor([&] { return server.recording().size() / 4 > endFrame; }, 5000);
    const QByteArray recording = server.recording();

    std::vector<double> heardMs, errorMs, silentMs;
    int neverHeard = 0;
    for (size_t i = 0; i < rounds.size(); ++i) {
        const Round& round = rounds[i];
        const auto expectedMs = [&](qint64 frame) {
            return round.placeMs + framesToMs(frame - round.locateFrame);
        };
        std::optional<qint64> heardAt;
        for (qint64 frame = round.locateFrame; frame < round.locateFrame + PulseNullSink::SampleRate / 2;
             frame += PlaceStep) {
            const std::optional<qint64> place = placeHeard(recording, frame);
            if (place && qAbs(framesToMs(*place) - expectedMs(frame)) <= GoodMs) {
                heardAt = frame;
                break;
            }
        }
        if (!heardAt) {
            ++neverHeard;
            continue;
        }
        heardMs.push_back(framesToMs(*heardAt - round.locateFrame));
        const qint64 settled = round.locateFrame + PulseNullSink::SampleRate / 2;
        if (const std::optional<qint64> place = placeHeard(recording, settled))
            errorMs.push_back(qAbs(framesToMs(*place) - expectedMs(settled)));
        const qint64 nextFrame = i + 1 < rounds.size() ? rounds[i + 1].locateFrame : endFrame;
        const AudibleSpan span = audibleSpan(recording.left(int(nextFrame * 4)), round.lastFrame);
        if (!span.isEmpty())
            silentMs.push_back(framesToMs(span.last + 1 - round.lastFrame));
    }
    std::printf(
        "\nCues that follow timecode: a locate into a 10 s cue, %d rounds (%d never heard at the place)\n",
        Rounds, neverHeard);
    std::printf("| What | median | p99 | goal |\n|---|---|---|---|\n");
    std::printf("| locate datagram -> heard at the new place | %.1f ms | %.1f ms | p99 < 80 ms |\n",
                quantile(heardMs, 50), quantile(heardMs, 99));
    std::printf("| place heard against the timecode, 0.5 s on | %.1f ms | %.1f ms | < 40 ms |\n",
                quantile(errorMs, 50), quantile(errorMs, 99));
    std::printf("| console's last datagram -> silent | %.1f ms | %.1f ms | p99 < %lld ms |\n",
                quantile(silentMs, 50), quantile(silentMs, 99), qint64(CueFollower::FreewheelMs + FrameMs));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PulseNullSink server;
    if (!server.start() || !server.startRecording()) {
        std::fprintf(stderr, "no sound server to measure against: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QTemporaryDir dir;
    const QString shortCue = dir.filePath(QStringLiteral("short.wav"));
    QFile file(shortCue);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(toneWav(200, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)) < 0)
        return 1;
    file.close();

    const SoundFactory makeSound = systemSoundFactory();
    benchPlayAndStop(server, makeSound, shortCue);
    benchShapedCues(makeSound, dir);
    benchRebuild(makeSound, dir);
    benchDatagramToSound(server, makeSound, shortCue);
    benchFollow(server, makeSound, dir);
    return 0;
}
