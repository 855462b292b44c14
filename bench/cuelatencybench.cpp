// The delay from a timecode datagram on loopback to the play() of the cue it starts.
#include "benchtable.h"
#include "benchwindow.h"
#include "mainwindowbenches.h"
#include "samplestats.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include <QEventLoop>
#include <QTimer>

#include <random>

namespace {

// Cues are checked as each datagram is dispatched: nothing waits for the display tick.
constexpr double GoalUs = 5000.0;
constexpr int CueSeconds = 10;
constexpr int FrameMs = 1000 / 30;
constexpr int LocateSettleMs = 45; // more than two ticks
// A cue that has not started three ticks after its datagram counts as missed.
constexpr int PlayTimeoutMs = 3 * MainWindow::DisplayIntervalMs;

} // namespace

bool runCueLatencyBench(int repetitions)
{
    BenchWindow bench(cueList({{0, QStringLiteral("/nonexistent/cue.wav"), 0, 0, CueSeconds}}), false,
                      QSize(1280, 720), BenchWindow::DisplayTimer::Running);
    TimecodeSender console(QHostAddress(QStringLiteral("127.0.0.5")), QHostAddress::LocalHost, bench.port());
    if (!console.isReady())
        return false;

    // A console on 127.0.0.5 that locates to 00:00:05:00, then plays 00:00:09:29 and, one frame
    // later, 00:00:10:00, and waits for the cue. A random pause between runs keeps the datagrams
    // from falling on the same point of the display tick each time. It sends from timers of the
    // event loop that also runs the window, as a console's datagrams arrive between ticks.
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pauseMs(0, 20);
    std::vector<qint64> latencies;
    int missed = 0;
    QEventLoop loop;
    std::function<void()> run = [&] {
        console.send(timecodeAtFrame(5 * 30));
        QTimer::singleShot(LocateSettleMs, [&] {
            console.send(timecodeAtFrame(CueSeconds * 30 - 1));
            QTimer::singleShot(FrameMs, Qt::PreciseTimer, &loop, [&] {
                const size_t playsBefore = bench.plays().size();
                const qint64 sentNs = monotonicNs();
                console.send(timecodeAtFrame(CueSeconds * 30));
                QTimer::singleShot(PlayTimeoutMs, [&, playsBefore, sentNs] {
                    if (bench.plays().size() > playsBefore)
                        latencies.push_back(bench.plays()[playsBefore] - sentNs);
                    else
                        ++missed;
                    if (int(latencies.size()) + missed < repetitions)
                        QTimer::singleShot(pauseMs(random), run);
                    else
                        loop.quit();
                });
            });
        });
    };
    QTimer::singleShot(0, run);
    loop.exec();

    const SampleSummary latency = summarize(latencies);
    BenchTable table(
        QStringLiteral("Cue start: ArtTimeCode 00:00:10:00 sent over loopback -> play(), label mode, "
                       "display timer running; goal: p99 <= %1 ms")
            .arg(GoalUs / 1000.0),
        {QStringLiteral("runs"), QStringLiteral("started"), QStringLiteral("missed"),
         QStringLiteral("median ms"), QStringLiteral("p99 ms"), QStringLiteral("max ms"),
         QStringLiteral("goal")});
    const bool pass = missed == 0 && !latencies.empty() && latency.p99Us <= GoalUs;
    table.addRow({QString::number(repetitions), QString::number(latencies.size()), QString::number(missed),
                  BenchTable::number(latency.medianUs / 1000.0, 2),
                  BenchTable::number(latency.p99Us / 1000.0, 2),
                  BenchTable::number(latency.maxUs / 1000.0, 2), BenchTable::verdict(pass)});
    table.print();
    return !latencies.empty();
}
