// How fast the main window is: the timecode font search on resize, the 20 ms display tick with 1,
// 4 and 32 senders, and the delay from a timecode datagram to a cue's play(). Runs on the
// offscreen platform with a settings store of its own; the node listens on a free port and only
// loopback is ever sent to. What the running program costs a show is bench/cpu_use.sh's.
//   velmora-mainwindow-bench [--ticks 20000] [--resize-calls 2000] [--cue-runs 300]
//                            [--only resize|tick|cue]
#include "app/applicationsetup.h"
#include "app/timecodetext.h"
#include "benchclock.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "samplestats.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <random>

namespace {

// The timecode font search on resize at 1920x1080.
constexpr double ResizeGoalUs = 2000.0;
const QSize FullHd(1920, 1080);
const QSize JustBelow(1900, 1060);

SampleSet timeCalls(int calls, const std::function<void()>& call)
{
    SampleSet samples;
    for (int run = 0; run < calls; ++run)
        samples.add(timeCall(call));
    return samples;
}

bool runResizeBench(int calls)
{
    BenchWindow bench({}, false, JustBelow, BenchWindow::DisplayTimer::Stopped);
    auto* timeLabel = bench.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
    if (!timeLabel || !bench.canTick())
        return false;
    const QString text = QStringLiteral("10:00:00:00");
    bench.receive({0, 0, 0, 10, 3}, QStringLiteral("127.0.0.11"));
    bench.tick();
    BenchWindow::settle();
    if (timeLabel->text() != text)
        return false;
    bench.window().resize(FullHd);
    BenchWindow::settle();
    const QSize windowSize = bench.window().size();
    const QSize labelSize = timeLabel->size();
    const QString family = timeLabel->font().family();

    const int result = TimecodeText::labelFontSize(family, text, labelSize);
    const SampleSet search = timeCalls(calls, [&] { TimecodeText::labelFontSize(family, text, labelSize); });
    const SampleSet handler = timeCalls(calls, [&] {
        QResizeEvent event(windowSize, windowSize);
        QCoreApplication::sendEvent(&bench.window(), &event);
    });
    SampleSet resizes;
    for (int run = 0; run < qMax(1, calls / 10); ++run) {
        for (const QSize size : {JustBelow, FullHd}) {
            resizes.add(timeCall([&] { bench.window().resize(size); }));
            BenchWindow::settle();
        }
    }

    BenchTable table(QStringLiteral("Timecode font on resize, label mode, window %1x%2, label %3x%4, font "
                                    "\"%5\", text %6. Goal: median < %7 ms")
                         .arg(windowSize.width())
                         .arg(windowSize.height())
                         .arg(labelSize.width())
                         .arg(labelSize.height())
                         .arg(family, text)
                         .arg(ResizeGoalUs / 1000.0),
                     {QStringLiteral("what"), QStringLiteral("calls"), QStringLiteral("median us"),
                      QStringLiteral("p99 us"), QStringLiteral("p99 on-CPU us"), QStringLiteral("result pt"),
                      QStringLiteral("goal")});
    const auto add = [&](const QString& what, const SampleSet& samples, const QString& found) {
        const SampleSummary wall = samples.wall();
        table.addRow({what, QString::number(wall.count), BenchTable::number(wall.medianUs),
                      BenchTable::number(wall.p99Us), BenchTable::number(samples.cpu().p99Us), found,
                      BenchTable::verdict(wall.medianUs < ResizeGoalUs)});
    };
    add(QStringLiteral("labelFontSize"), search, QString::number(result));
    add(QStringLiteral("resizeEvent (sent, same size)"), handler,
        QString::number(timeLabel->font().pointSize()));
    add(QStringLiteral("resize() 1900x1060 <-> 1920x1080, with layout"), resizes, QStringLiteral("-"));
    table.print();
    return true;
}

// The 20 ms display tick with 1, 4 and 32 senders in both display modes.
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

// The delay from a timecode datagram on loopback to the play() of the cue it starts.
// Cues are checked as each datagram is dispatched: nothing waits for the display tick.
constexpr double CueGoalUs = 5000.0;
constexpr int CueSeconds = 10;
constexpr int FrameMs = 1000 / 30;
constexpr int LocateSettleMs = 45; // more than two ticks
// A cue that has not started three ticks after its datagram counts as missed.
constexpr int PlayTimeoutMs = 3 * MainWindow::DisplayIntervalMs;

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
        // A locate counts once the console's next frame confirms it.
        console.send(timecodeAtFrame(5 * 30));
        console.send(timecodeAtFrame(5 * 30 + 1));
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
            .arg(CueGoalUs / 1000.0),
        {QStringLiteral("runs"), QStringLiteral("started"), QStringLiteral("missed"),
         QStringLiteral("median ms"), QStringLiteral("p99 ms"), QStringLiteral("max ms"),
         QStringLiteral("goal")});
    const bool pass = missed == 0 && !latencies.empty() && latency.p99Us <= CueGoalUs;
    table.addRow({QString::number(repetitions), QString::number(latencies.size()), QString::number(missed),
                  BenchTable::number(latency.medianUs / 1000.0, 2),
                  BenchTable::number(latency.p99Us / 1000.0, 2),
                  BenchTable::number(latency.maxUs / 1000.0, 2), BenchTable::verdict(pass)});
    table.print();
    return !latencies.empty();
}

} // namespace

int main(int argc, char* argv[])
{
    // The offscreen platform notes at every resize that it has no use for size hints.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message != QLatin1String("This plugin does not support propagateSizeHints()"))
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    });
    // As the program itself starts.
    prepareApplicationEnvironment();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const auto countOption = [](const char* name, const char* what, const char* fallback) {
        return QCommandLineOption(
            QLatin1String(name),
            QStringLiteral("%1 (default %2).").arg(QLatin1String(what), QLatin1String(fallback)),
            QStringLiteral("count"), QLatin1String(fallback));
    };
    const QCommandLineOption ticks = countOption("ticks", "Ticks per row", "20000");
    const QCommandLineOption resizeCalls = countOption("resize-calls", "Font searches timed", "2000");
    const QCommandLineOption cueRuns = countOption("cue-runs", "Cue starts timed", "300");
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Run one benchmark: resize, tick or cue."),
                                  QStringLiteral("name"));
    parser.addOptions({ticks, resizeCalls, cueRuns, only});
    // On --help or a bad option this leaves through exit(), which still removes the private store.
    parser.process(application);
    const QString chosen = parser.value(only);
    if (!chosen.isEmpty() && !QStringList{"resize", "tick", "cue"}.contains(chosen)) {
        std::fprintf(stderr, "velmora-mainwindow-bench: --only takes resize, tick or cue\n");
        return 2;
    }
    const auto count = [&](const QCommandLineOption& option) {
        return qMax(1, parser.value(option).toInt());
    };
    bool ran = true;
    // The font search first, while no font engine of the large sizes is cached yet.
    const auto run = [&](const QString& name, auto bench, int count) {
        if (!chosen.isEmpty() && chosen != name)
            return;
        if (!bench(count)) {
            std::fprintf(stderr, "velmora-mainwindow-bench: the %s benchmark could not run\n",
                         qPrintable(name));
            ran = false;
        }
    };
    run(QStringLiteral("resize"), runResizeBench, count(resizeCalls));
    run(QStringLiteral("tick"), runTickBench, count(ticks));
    run(QStringLiteral("cue"), runCueLatencyBench, count(cueRuns));
    return ran ? 0 : 1;
}
