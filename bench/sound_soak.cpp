// A show's worth of cues in a row through the real sound engine into a private PulseAudio null
// sink, recorded: each cue must be heard whole, with no gap and no jump. The second half runs
// while two other processes keep both cores busy. Prints the count of cues with a fault and where
// in the file each fault was; "--cues N" sets the number (1000 by default).
#include "platform/sound.h"
#include "pulsenullsink.h"
#include "samplestats.h"
#include "tonewav.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace ToneWav;

namespace {

constexpr int CueMs = 300;
constexpr int EveryMs = 420;
// The tone's two channels are a quarter turn apart: their joint size is its level at every frame
// and their angle its phase, so a gap shows as a fall of the level and a jump as a step of phase.
constexpr double FullLevel = 0.5;

struct Fault
{
    int cue;
    double atMs; // into the file
    QString what;
};

// The cues as the recording holds them: runs of sound apart by more than SilenceMs of silence
// (a cue's own gap, if any, is shorter), from a frame on.
constexpr int SilenceMs = 60;
std::vector<AudibleSpan> heardCues(const QByteArray& recording, qint64 fromFrame)
{
    std::vector<AudibleSpan> spans;
    const qint64 silence = qint64(PulseNullSink::SampleRate) * SilenceMs / 1000;
    const qint64 frames = recording.size() / 4;
    const auto* samples = reinterpret_cast<const qint16*>(recording.constData());
    for (qint64 frame = fromFrame; frame < frames; ++frame) {
        if (qAbs(samples[2 * frame]) < AudibleLevel && qAbs(samples[2 * frame + 1]) < AudibleLevel)
            continue;
        if (spans.empty() || frame - spans.back().last > silence)
            spans.push_back({frame, frame});
        spans.back().last = frame;
    }
    return spans;
}

// Looks at one cue as heard; nothing when it is whole.
std::optional<Fault> check(const QByteArray& recording, int cue, const AudibleSpan& span)
{
    const auto* samples = reinterpret_cast<const qint16*>(recording.constData());
    const double step = 2 * M_PI * ToneHz / PulseNullSink::SampleRate;
    double lastPhase = 0;
    // The first and last frames may fall between two of the sink's samples.
    for (qint64 frame = span.first + 2; frame < span.last - 2; ++frame) {
        const double left = samples[2 * frame] / 32768.0, right = samples[2 * frame + 1] / 32768.0;
        const double level = std::sqrt(left * left + right * right);
        const double atMs = framesToMs(frame - span.first);
        if (level < FullLevel * 0.8)
            return Fault{cue, atMs, QStringLiteral("gap")};
        const double phase = std::atan2(left, right);
        if (frame > span.first + 2) {
            const double moved = std::remainder(phase - lastPhase - step, 2 * M_PI);
            if (std::abs(moved) > 0.05)
                return Fault{cue, atMs, QStringLiteral("jump")};
        }
        lastPhase = phase;
    }
    const double heardMs = framesToMs(span.frames());
    if (std::abs(heardMs - CueMs) > 2)
        return Fault{cue, heardMs, QStringLiteral("heard for %1 ms").arg(heardMs, 0, 'f', 1)};
    return std::nullopt;
}

// Two processes that spin as long as they run, one for each core.
class BusyCores
{
public:
    BusyCores()
    {
        for (QProcess& process : spinners) {
            process.start(QStringLiteral("sh"),
                          {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            process.waitForStarted();
        }
    }
    ~BusyCores()
    {
        for (QProcess& process : spinners) {
            process.kill();
            process.waitForFinished();
        }
    }

private:
    QProcess spinners[2];
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int cues = 1000;
    const QStringList arguments = app.arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--cues"));
        at >= 0 && at + 1 < arguments.size())
        cues = arguments[at + 1].toInt();
    PulseNullSink server;
    if (!server.start() || !server.startRecording()) {
        std::fprintf(stderr, "no sound server to measure against: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QTemporaryDir dir;
    // Two cue files, as a show alternates between cues.
    const QString files[2] = {dir.filePath(QStringLiteral("a.wav")), dir.filePath(QStringLiteral("b.wav"))};
    for (const QString& file : files) {
        if (!writeToneFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, PulseNullSink::SampleRate, 2,
                           qint64(PulseNullSink::SampleRate) * CueMs / 1000))
            return 1;
    }
    const SoundFactory makeSound = systemSoundFactory();
    QObject owner;
    Sound* sounds[2] = {makeSound(files[0], &owner), makeSound(files[1], &owner)};
    QTest::qWait(1000);

    std::vector<qint64> playFrames;
    std::unique_ptr<BusyCores> busy;
    QElapsedTimer clock;
    clock.start();
    for (int cue = 0; cue < cues; ++cue) {
        if (cue == cues / 2) {
            QTest::qWait(int(qMax<qint64>(0, qint64(cue) * EveryMs - clock.elapsed())));
            busy = std::make_unique<BusyCores>();
            clock.restart();
        }
        const int index = cue < cues / 2 ? cue : cue - cues / 2;
        QTest::qWait(int(qMax<qint64>(0, qint64(index) * EveryMs - clock.elapsed())));
        playFrames.push_back(server.currentFrame());
        sounds[cue % 2]->play();
    }
    QTest::qWait(EveryMs + 500);
    busy.reset();
    // The recording reaches this process through a pipe that falls behind while the cores are
    // busy: a second more, so that the last cue is in it whole, not taken for one never heard.
    QTest::qWait(1000);
    playFrames.push_back(server.currentFrame());
    (void)QTest::qWaitFor([&] { return server.recording().size() / 4 > playFrames.back(); }, 5000);
    const QByteArray recording = server.recording();

    // Cue by cue as heard: more runs of sound than cues means a cue fell apart, fewer that one
    // was never heard.
    const std::vector<AudibleSpan> heard = heardCues(recording, qMax<qint64>(0, playFrames.front() - 4410));
    std::vector<Fault> faults[2];
    for (int cue = 0; cue < cues && cue < int(heard.size()); ++cue) {
        if (const std::optional<Fault> fault = check(recording, cue, heard[size_t(cue)]))
            faults[cue < cues / 2 ? 0 : 1].push_back(*fault);
    }
    if (int(heard.size()) != cues)
        std::printf("%d runs of sound heard for %d cues\n", int(heard.size()), cues);
    std::printf("\n%d cues of %d ms in a row, one every %d ms, into a null sink\n", cues, CueMs, EveryMs);
    std::printf("| Machine | cues | heard whole | with a gap or jump |\n|---|---|---|---|\n");
    const char* names[2] = {"idle", "both cores busy"};
    for (int half = 0; half < 2; ++half) {
        const int count = half == 0 ? cues / 2 : cues - cues / 2;
        std::printf("| %s | %d | %d | %d |\n", names[half], count, count - int(faults[half].size()),
                    int(faults[half].size()));
    }
    for (const auto& list : faults) {
        for (const Fault& fault : list)
            std::printf("cue %d: %s at %.1f ms into the file\n", fault.cue, qPrintable(fault.what),
                        fault.atMs);
    }
    return faults[0].empty() && faults[1].empty() && int(heard.size()) == cues ? 0 : 2;
}
