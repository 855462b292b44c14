#include "tickbench.h"

#include "benchenvironment.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "messagetally.h"
#include "noopreceiver.h"
#include "sampleset.h"
#include "timecodedatagram.h"

#include <QMetaMethod>

#include <algorithm>
#include <vector>

namespace {

constexpr double TickGoalUs = 50.0;
constexpr int GoalSenders = 4;
constexpr int WarmUpTicks = 300;

// What calling a slot through the meta-object system and timing it cost by themselves (medians),
// to be taken off each tick.
CallTime invokeOverhead(int calls)
{
    NoOpReceiver receiver;
    const QMetaObject* meta = receiver.metaObject();
    const QMetaMethod slot = meta->method(meta->indexOfSlot("tick()"));
    std::vector<qint64> wall;
    std::vector<qint64> cpu;
    for (int call = 0; call < calls; ++call) {
        const CallTime time = timeCall([&] { slot.invoke(&receiver, Qt::DirectConnection); });
        wall.push_back(time.wallNs);
        cpu.push_back(time.cpuNs);
    }
    const auto median = [](std::vector<qint64>& samples) {
        std::nth_element(samples.begin(), samples.begin() + qsizetype(samples.size() / 2), samples.end());
        return samples[samples.size() / 2];
    };
    return {median(wall), median(cpu)};
}

struct TickFigures
{
    SampleSet tick;
    SampleSet redraw;
    int cuesStarted = 0;
    double lcdWarningsPerTick = 0;
};

// Every sender runs its own 30 fps clock and moves on one frame per tick, so that every tick
// has new texts to show (a real sender moves 0.6 frames per 20 ms tick; this is the worst case).
TickFigures measureTicks(BenchWindow& bench, const PlayLog& log, int senders, int ticks, CallTime overhead)
{
    QStringList addresses;
    for (int sender = 0; sender < senders; ++sender)
        addresses.append(QStringLiteral("127.0.0.%1").arg(11 + sender));
    // From the fiftieth second on, senders a few seconds apart, so that the cue list (one cue a
    // minute) is crossed during the run.
    const auto feed = [&](int tick) {
        for (int sender = 0; sender < senders; ++sender) {
            const qint64 frame = 50 * 30 + sender * 97 + tick;
            bench.receive(timecodeDatagram(timecodeAtFrame(frame)), addresses[sender]);
        }
    };

    TickFigures figures{SampleSet(overhead), SampleSet()};
    const int playsBefore = log.count();
    for (int tick = -WarmUpTicks; tick < ticks; ++tick) {
        if (tick == 0)
            MessageTally::take(MessageTally::Kind::LcdDigitLimit);
        feed(tick + WarmUpTicks);
        const CallTime tickTime = timeCall([&] { bench.tick(); });
        const CallTime redrawTime = timeCall([] { BenchWindow::settle(); });
        if (tick >= 0) {
            figures.tick.add(tickTime);
            figures.redraw.add(redrawTime);
        }
    }
    figures.cuesStarted = log.count() - playsBefore;
    figures.lcdWarningsPerTick = double(MessageTally::take(MessageTally::Kind::LcdDigitLimit)) / ticks;
    return figures;
}

} // namespace

bool runTickBench(const BenchEnvironment& environment, int ticks)
{
    const CallTime overhead = invokeOverhead(20000);
    BenchTable table(
        QStringLiteral(
            "Display tick (SendTimecodeTimeOut), window resized to 1280x720 before the senders start, "
            "%1 ticks per row, new texts every tick; slot call and timing (%2 us) taken off; redraw = "
            "the event loop's layout and repaint after the tick. Goal: median < %3 us with %4 senders")
            .arg(ticks)
            .arg(BenchTable::number(double(overhead.wallNs) / 1000.0, 2))
            .arg(TickGoalUs)
            .arg(GoalSenders),
        {QStringLiteral("mode"), QStringLiteral("senders"), QStringLiteral("tick median us"),
         QStringLiteral("tick p99 us"), QStringLiteral("tick p99 on-CPU us"),
         QStringLiteral("redraw median us"), QStringLiteral("redraw p99 on-CPU us"),
         QStringLiteral("cues started"), QStringLiteral("LCD warnings/tick"), QStringLiteral("window after"),
         QStringLiteral("goal")});

    bool ran = true;
    for (const bool lcd : {false, true}) {
        for (const int senders : {1, 4, 32}) {
            // Nine cues, one a minute from 00:01:00 on, as a show's cue list would have.
            environment.writeWindowSettings(lcd, {60, 120, 180, 240, 300, 360, 420, 480, 540});
            const auto log = std::make_shared<PlayLog>();
            BenchWindow bench(log, QSize(1280, 720), BenchWindow::DisplayTimer::Stopped);
            if (!bench.canTick()) {
                ran = false;
                continue;
            }
            const TickFigures figures = measureTicks(bench, *log, senders, ticks, overhead);
            const SampleSummary tick = figures.tick.wall();
            const SampleSummary tickCpu = figures.tick.cpu();
            const QString goal = senders == GoalSenders ? BenchTable::verdict(tick.medianUs < TickGoalUs)
                                                        : QStringLiteral("-");
            table.addRow(
                {lcd ? QStringLiteral("LCD") : QStringLiteral("label"), QString::number(senders),
                 BenchTable::number(tick.medianUs), BenchTable::number(tick.p99Us),
                 BenchTable::number(tickCpu.p99Us), BenchTable::number(figures.redraw.wall().medianUs),
                 BenchTable::number(figures.redraw.cpu().p99Us), QString::number(figures.cuesStarted),
                 BenchTable::number(figures.lcdWarningsPerTick, 2),
                 QStringLiteral("%1x%2").arg(bench.window().width()).arg(bench.window().height()), goal});
        }
    }
    table.print();
    return ran;
}
