#include "showloadbench.h"

#include "benchenvironment.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "calltimer.h"
#include "timecodedatagram.h"

#include <QLabel>

namespace {

constexpr double GoalPercent = 3.0;
constexpr int TicksPerSecond = 1000 / MainWindow::DisplayIntervalMs;

struct ShowLoad
{
    double percent = 0;
    QSize windowAfter;
    int labelPointSize = 0;
};

ShowLoad measureShow(BenchWindow& bench, int senders, int seconds)
{
    QStringList addresses;
    for (int sender = 0; sender < senders; ++sender)
        addresses.append(QStringLiteral("127.0.0.%1").arg(11 + sender));
    const int ticks = seconds * TicksPerSecond;
    qint64 cpuNs = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        // 30 frames a second seen by a 50 Hz tick: 0.6 frames per tick.
        const qint64 frame = 3600 * 30 + qint64(tick) * 3 / 5;
        for (int sender = 0; sender < senders; ++sender)
            bench.receive(timecodeDatagram(timecodeAtFrame(frame + sender * 97)), addresses[sender]);
        cpuNs += timeCall([&] {
                     bench.tick();
                     BenchWindow::settle();
                 }).cpuNs;
    }
    const auto* timeLabel = bench.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
    return {100.0 * double(cpuNs) / (double(seconds) * 1e9), bench.window().size(),
            timeLabel ? timeLabel->font().pointSize() : 0};
}

} // namespace

bool runShowLoadBench(const BenchEnvironment& environment, int seconds)
{
    const QByteArray glyphCache = qgetenv("QT_MAX_CACHED_GLYPH_SIZE");
    BenchTable table(
        QStringLiteral(
            "Display work during a show: %1 s of 50 Hz ticks per row, senders at 30 fps, tick + layout + "
            "repaint on this thread's CPU clock (warm caches: a lower bound). QT_MAX_CACHED_GLYPH_SIZE %2. "
            "Goal: < %3 % of a core")
            .arg(seconds)
            .arg(glyphCache.isEmpty() ? QStringLiteral("not set (Qt's 64 px)")
                                      : QString::fromLatin1(glyphCache))
            .arg(GoalPercent),
        {QStringLiteral("mode"), QStringLiteral("window"), QStringLiteral("senders"),
         QStringLiteral("% of a core"), QStringLiteral("label pt"), QStringLiteral("window after"),
         QStringLiteral("goal")});
    bool ran = true;
    for (const bool lcd : {false, true}) {
        for (const QSize size : {QSize(), QSize(1280, 720), QSize(1920, 1080)}) {
            for (const int senders : {1, 4}) {
                environment.writeWindowSettings(lcd, {});
                BenchWindow bench(std::make_shared<PlayLog>(), size, BenchWindow::DisplayTimer::Stopped);
                if (!bench.canTick()) {
                    ran = false;
                    continue;
                }
                const QSize opened = bench.window().size();
                const ShowLoad load = measureShow(bench, senders, seconds);
                table.addRow(
                    {lcd ? QStringLiteral("LCD") : QStringLiteral("label"),
                     size.isValid()
                         ? QStringLiteral("%1x%2").arg(size.width()).arg(size.height())
                         : QStringLiteral("as opened (%1x%2)").arg(opened.width()).arg(opened.height()),
                     QString::number(senders), BenchTable::number(load.percent, 2),
                     lcd ? QStringLiteral("-") : QString::number(load.labelPointSize),
                     QStringLiteral("%1x%2").arg(load.windowAfter.width()).arg(load.windowAfter.height()),
                     BenchTable::verdict(load.percent < GoalPercent)});
            }
        }
    }
    table.print();
    return ran;
}
