// The delay from a timecode datagram on loopback to the play() of the cue it starts.
#include "benchtable.h"
#include "benchwindow.h"
#include "mainwindowbenches.h"
#include "samplestats.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include <QEventLoop>

#include <chrono>
#include <random>
#include <thread>

namespace {

constexpr double GoalUs = 21000.0; // one display tick, with the timer's 5 % slack
constexpr int CueSeconds = 10;
constexpr qint64 FrameNs = 1'000'000'000 / 30;
constexpr auto LocateSettle = std::chrono::milliseconds(45); // more than two ticks
constexpr auto PlayTimeout = std::chrono::milliseconds(500);

struct LatencyRun
{
    std::vector<qint64> latencies;
    int missed = 0;
};

// A console on 127.0.0.5 that locates to 00:00:05:00, then plays 00:00:09:29 and, one frame
// later, 00:00:10:00; it waits for the cue after each run, and a random pause between runs keeps
// the datagrams from falling on the same point of the display tick each time.
LatencyRun playToCue(quint16 port, PlayLog& log, int repetitions)
{
    LatencyRun result;
    TimecodeSender console(QHostAddress(QStringLiteral("127.0.0.5")), QHostAddress::LocalHost, port);
    if (!console.isReady())
        return result;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pauseUs(0, 20'000);
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        console.send(timecodeAtFrame(5 * 30));
        std::this_thread::sleep_for(LocateSettle);
        console.send(timecodeAtFrame(CueSeconds * 30 - 1));
        sleepUntilNs(monotonicNs() + FrameNs);
        const qint64 sent = monotonicNs();
        console.send(timecodeAtFrame(CueSeconds * 30));
        if (const std::optional<qint64> played = log.waitForPlayAtOrAfter(sent, PlayTimeout))
            result.latencies.push_back(*played - sent);
        else
            ++result.missed;
    }
    return result;
}

} // namespace

bool runCueLatencyBench(int repetitions)
{
    BenchWindow bench(cueList({{0, QStringLiteral("/nonexistent/cue.wav"), 0, 0, CueSeconds}}), false,
                      QSize(1280, 720), BenchWindow::DisplayTimer::Running);
    LatencyRun run;
    QEventLoop loop;
    std::thread sender([&] {
        run = playToCue(bench.port(), bench.plays(), repetitions);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    sender.join();

    const SampleSummary latency = summarize(run.latencies);
    BenchTable table(
        QStringLiteral("Cue start: ArtTimeCode 00:00:10:00 sent over loopback -> play(), label mode, "
                       "display timer running; goal: p99 <= %1 ms (one tick)")
            .arg(GoalUs / 1000.0),
        {QStringLiteral("runs"), QStringLiteral("started"), QStringLiteral("missed"),
         QStringLiteral("median ms"), QStringLiteral("p99 ms"), QStringLiteral("max ms"),
         QStringLiteral("goal")});
    const bool pass = run.missed == 0 && !run.latencies.empty() && latency.p99Us <= GoalUs;
    table.addRow({QString::number(repetitions), QString::number(run.latencies.size()),
                  QString::number(run.missed), BenchTable::number(latency.medianUs / 1000.0, 2),
                  BenchTable::number(latency.p99Us / 1000.0, 2),
                  BenchTable::number(latency.maxUs / 1000.0, 2), BenchTable::verdict(pass)});
    table.print();
    return !run.latencies.empty();
}
