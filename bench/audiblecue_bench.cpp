// How long a cue takes to be heard: from the moment the ArtTimeCode datagram that reaches a cue's
// start time is sent over loopback to the moment its sound reaches the system's sound server. The
// real main window plays the cue through the real sound output into a private PulseAudio server
// with a null sink, whose monitor is recorded; the first audible sample after the send is when
// the cue is heard. The window's display timer runs as in a show.
//   velmora-audible-cue-bench [--runs 100]
#include "benchenvironment.h"
#include "loopbackconsole.h"
#include "loopbacknode.h"
#include "messagetally.h"
#include "pulsenullsink.h"
#include "samplestats.h"
#include "tonewav.h"

#include "app/applicationsetup.h"
#include "app/mainwindow.h"
#include "cues/settingsstore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {

constexpr int CueSeconds = 10;
constexpr int ToneMs = 150;
constexpr int HeardTimeoutMs = 1000;
constexpr double GoalMs = 15.0;

void runEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The first frame of the recording at or after fromFrame that is audible, waiting for it.
std::optional<qint64> heardFrom(PulseNullSink& sink, qint64 fromFrame)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < HeardTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const ToneWav::AudibleSpan span = ToneWav::audibleSpan(sink.recording(), fromFrame);
        if (!span.isEmpty())
            return span.first;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    BenchEnvironment environment;
    if (!environment.isReady()) {
        std::fprintf(stderr, "velmora-audible-cue-bench: cannot make a private settings folder\n");
        return 1;
    }
    MessageTally::install();
    prepareApplicationEnvironment();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Cues timed (default 100)."),
                                        QStringLiteral("count"), QStringLiteral("100"));
    parser.addOption(runsOption);
    if (!parser.parse(application.arguments())) {
        std::fprintf(stderr, "velmora-audible-cue-bench: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    const int runs = qMax(1, parser.value(runsOption).toInt());

    // Before Qt Multimedia looks for a sound server.
    PulseNullSink sink;
    if (!sink.start() || !sink.startRecording()) {
        std::fprintf(stderr, "velmora-audible-cue-bench: no sound server: %s\n",
                     qPrintable(sink.errorString()));
        return 1;
    }

    environment.writeWindowSettings(false, {CueSeconds});
    const QString cueFile =
        QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
            .value(QStringLiteral("audio_file_0"))
            .toString();
    QFile file(cueFile);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(ToneWav::toneWav(ToneMs, PulseNullSink::SampleRate, PulseNullSink::Channels, 16)) < 0) {
        std::fprintf(stderr, "velmora-audible-cue-bench: cannot write %s\n", qPrintable(cueFile));
        return 1;
    }
    file.close();

    MainWindowEnvironment windowEnvironment;
    windowEnvironment.node = loopbackNodeEnvironment();
    MainWindow window(nullptr, windowEnvironment);
    window.resize(1280, 720);
    window.show();
    auto* stopButton = window.findChild<QPushButton*>(QStringLiteral("stopButton"));
    LoopbackConsole console(0x7f000005, windowEnvironment.node.port);
    if (!stopButton || !console.isBound()) {
        std::fprintf(stderr, "velmora-audible-cue-bench: no window or console to run\n");
        return 1;
    }

    std::vector<qint64> latencies;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        stopButton->click();
        console.send(5, 0);
        // The stopped tone leaves the sink, and the send falls on any point of the display tick.
        runEventsFor(ToneMs + 100 + QRandomGenerator::global()->bounded(20));
        console.send(CueSeconds - 1, 29);
        runEventsFor(33);
        const qint64 sentFrame = sink.currentFrame();
        console.send(CueSeconds, 0);
        if (const std::optional<qint64> heard = heardFrom(sink, sentFrame))
            latencies.push_back((*heard - sentFrame) * 1'000'000'000 / PulseNullSink::SampleRate);
        else
            ++missed;
    }

    const SampleSummary latency = summarize(latencies);
    std::printf("Cue heard: ArtTimeCode 00:00:10:00 sent over loopback -> first audible sample at the "
                "sound server's null sink, display timer running; goal: p99 < %.0f ms\n",
                GoalMs);
    std::printf("  runs %d  heard %d  missed %d  median %.2f ms  p99 %.2f ms  max %.2f ms  %s\n", runs,
                int(latencies.size()), missed, latency.medianUs / 1000.0, latency.p99Us / 1000.0,
                latency.maxUs / 1000.0, missed == 0 && latency.p99Us / 1000.0 < GoalMs ? "PASS" : "FAIL");
    return latencies.empty() ? 1 : 0;
}
