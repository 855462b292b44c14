#include "cuelatencybench.h"

#include "benchenvironment.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "loopbackconsole.h"
#include "samplestats.h"
#include "steadyclock.h"

#include <QEventLoop>

#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace {

// Cues are checked as each datagram is dispatched: nothing waits for the display tick.
constexpr double GoalUs = 5000.0;
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
LatencyRun playToCue(LoopbackConsole& console, PlayLog& log, int repetitions)
{
    LatencyRun result;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pauseUs(0, 20'000);
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        console.send(5, 0);
        std::this_thread::sleep_for(LocateSettle);
        console.send(CueSeconds - 1, 29);
        const qint64 cueDue = steadyNs() + FrameNs;
        std::this_thread::sleep_until(
            std::chrono::steady_clock::time_point(std::chrono::nanoseconds(cueDue)));
        const qint64 sent = steadyNs();
        console.send(CueSeconds, 0);
        if (const std::optional<qint64> played = log.waitForPlayAtOrAfter(sent, PlayTimeout))
            result.latencies.push_back(*played - sent);
        else
            ++result.missed;
    }
    return result;
}

} // namespace

bool runCueLatencyBench(const BenchEnvironment& environment, int repetitions)
{
    environment.writeWindowSettings(false, {CueSeconds});
    const auto log = std::make_shared<PlayLog>();
    BenchWindow bench(log, QSize(1280, 720), BenchWindow::DisplayTimer::Running);
    LoopbackConsole console(0x7f000005, bench.port());
    if (!console.isBound())
        return false;

    LatencyRun run;
    QEventLoop loop;
    std::thread sender([&] {
        run = playToCue(console, *log, repetitions);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    sender.join();

    const SampleSummary latency = summarize(run.latencies);
    BenchTable table(
        QStringLiteral("Cue start: ArtTimeCode 00:00:10:00 sent over loopback -> play(), label mode, "
                       "display timer running; goal: p99 <= %1 ms")
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
