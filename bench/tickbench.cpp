// The 20 ms display tick with 1, 4 and 32 senders in both display modes.
#include "benchtable.h"
#include "benchwindow.h"
#include "mainwindowbenches.h"
#include "samplestats.h"
#include "timecodeclock.h"

namespace {

constexpr double TickGoalUs = 50.0;
constexpr int GoalSenders = 4;
constexpr int WarmUpTicks = 300;

struct TickFigures
{
    SampleSet tick;
    SampleSet redraw;
    int cuesStarted = 0;
};

// Every sender runs its own 30 fps clock and moves on one frame per tick, so that every tick
// has new texts to show (a real sender moves 0.6 frames per 20 ms tick; this is the worst case).
// From the fiftieth second on, senders a few seconds apart, so that the cue list (one cue a
// minute) is crossed during the run.
TickFigures measureTicks(BenchWindow& bench, int senders, int ticks)
{
    TickFigures figures;
    const int playsBefore = int(bench.plays().size());
    for (int tick = -WarmUpTicks; tick < ticks; ++tick) {
        for (int sender = 0; sender < senders; ++sender)
            bench.receive(timecodeAtFrame(50 * 30 + sender * 97 + tick + WarmUpTicks),
                          QStringLiteral("127.0.0.%1").arg(11 + sender));
        const CallTime tickTime = timeCall([&] { bench.tick(); });
        const CallTime redrawTime = timeCall([] { BenchWindow::settle(); });
        if (tick >= 0) {
            figures.tick.add(tickTime);
            figures.redraw.add(redrawTime);
        }
    }
    figures.cuesStarted = int(bench.plays().size()) - playsBefore;
    return figures;
}

} // namespace

bool runTickBench(int ticks)
{
    BenchTable table(
        QStringLiteral("Display tick (SendTimecodeTimeOut), window 1280x720, %1 ticks per row, new texts "
                       "every tick, the slot call included; redraw = the event loop's layout and repaint "
                       "after the tick. Goal: median < %2 us with %3 senders")
            .arg(ticks)
            .arg(TickGoalUs)
            .arg(GoalSenders),
        {QStringLiteral("mode"), QStringLiteral("senders"), QStringLiteral("tick median us"),
         QStringLiteral("tick p99 us"), QStringLiteral("tick p99 on-CPU us"),
         QStringLiteral("redraw median us"), QStringLiteral("redraw p99 on-CPU us"),
         QStringLiteral("cues started"), QStringLiteral("goal")});
    bool ran = true;
    for (const bool lcd : {false, true}) {
        for (const int senders : {1, 4, 32}) {
            BenchWindow bench(cuesEveryMinute(9), lcd, QSize(1280, 720), BenchWindow::DisplayTimer::Stopped);
            if (!bench.canTick()) {
                ran = false;
                continue;
            }
            const TickFigures figures = measureTicks(bench, senders, ticks);
            const SampleSummary tick = figures.tick.wall();
            table.addRow({lcd ? QStringLiteral("LCD") : QStringLiteral("label"), QString::number(senders),
                          BenchTable::number(tick.medianUs), BenchTable::number(tick.p99Us),
                          BenchTable::number(figures.tick.cpu().p99Us),
                          BenchTable::number(figures.redraw.wall().medianUs),
                          BenchTable::number(figures.redraw.cpu().p99Us),
                          QString::number(figures.cuesStarted),
                          senders == GoalSenders ? BenchTable::verdict(tick.medianUs < TickGoalUs)
                                                 : QStringLiteral("-")});
        }
    }
    table.print();
    return ran;
}
