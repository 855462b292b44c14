// The display's share of a core during a show: ticks at 50 Hz with senders at 30 fps.
#include "benchclock.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "mainwindowbenches.h"
#include "timecodeclock.h"

#include <QLabel>

namespace {

constexpr double GoalPercent = 3.0;
constexpr int TicksPerSecond = 1000 / MainWindow::DisplayIntervalMs;

double showLoadPercent(BenchWindow& bench, int senders, int seconds)
{
    const int ticks = seconds * TicksPerSecond;
    qint64 cpuNs = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        // 30 frames a second seen by a 50 Hz tick: 0.6 frames per tick.
        const qint64 frame = 3600 * 30 + qint64(tick) * 3 / 5;
        for (int sender = 0; sender < senders; ++sender)
            bench.receive(timecodeAtFrame(frame + sender * 97),
                          QStringLiteral("127.0.0.%1").arg(11 + sender));
        cpuNs += timeCall([&] {
                     bench.tick();
                     BenchWindow::settle();
                 }).cpuNs;
    }
    return 100.0 * double(cpuNs) / (double(seconds) * 1e9);
}

} // namespace

bool runShowLoadBench(int seconds)
{
    const QByteArray glyphCache = qgetenv("QT_MAX_CACHED_GLYPH_SIZE");
    BenchTable table(
        QStringLiteral(
            "Display work during a show: %1 s of 50 Hz ticks per row, senders at 30 fps, tick + layout + "
            "repaint on this thread's CPU clock (warm caches: a lower bound). QT_MAX_CACHED_GLYPH_SIZE %2. "
            "Goal: < %3 % of a core")
            .arg(seconds)
            .arg(glyphCache.isEmpty() ? QStringLiteral("not set") : QString::fromLatin1(glyphCache))
            .arg(GoalPercent),
        {QStringLiteral("mode"), QStringLiteral("window"), QStringLiteral("senders"),
         QStringLiteral("% of a core"), QStringLiteral("label pt"), QStringLiteral("goal")});
    bool ran = true;
    for (const bool lcd : {false, true}) {
        for (const QSize size : {QSize(640, 400), QSize(1280, 720), QSize(1920, 1080)}) {
            for (const int senders : {1, 4}) {
                BenchWindow bench({}, lcd, size, BenchWindow::DisplayTimer::Stopped);
                if (!bench.canTick()) {
                    ran = false;
                    continue;
                }
                const double percent = showLoadPercent(bench, senders, seconds);
                const auto* timeLabel = bench.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
                table.addRow(
                    {lcd ? QStringLiteral("LCD") : QStringLiteral("label"),
                     QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), QString::number(senders),
                     BenchTable::number(percent, 2),
                     timeLabel ? QString::number(timeLabel->font().pointSize()) : QStringLiteral("-"),
                     BenchTable::verdict(percent < GoalPercent)});
            }
        }
    }
    table.print();
    return ran;
}
