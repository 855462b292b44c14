// The timecode font search on resize at 1920x1080, against the size-by-size search.
#include "app/timecodetext.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "mainwindowbenches.h"
#include "samplestats.h"
#include "sizebysizefontsearch.h"

#include <QCoreApplication>
#include <QLabel>
#include <QResizeEvent>

#include <cstdio>
#include <functional>

namespace {

constexpr double GoalUs = 2000.0;
const QSize FullHd(1920, 1080);
const QSize JustBelow(1900, 1060);

SampleSet timeCalls(int calls, const std::function<void()>& call)
{
    SampleSet samples;
    for (int run = 0; run < calls; ++run)
        samples.add(timeCall(call));
    return samples;
}

} // namespace

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
    const int sizeBySizeResult = sizeBySizeLabelFontSize(family, text, labelSize);
    const SampleSet halving = timeCalls(calls, [&] { TimecodeText::labelFontSize(family, text, labelSize); });
    const SampleSet sizeBySize =
        timeCalls(qMax(1, calls / 10), [&] { sizeBySizeLabelFontSize(family, text, labelSize); });
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
                         .arg(GoalUs / 1000.0),
                     {QStringLiteral("what"), QStringLiteral("calls"), QStringLiteral("median us"),
                      QStringLiteral("p99 us"), QStringLiteral("p99 on-CPU us"), QStringLiteral("result pt"),
                      QStringLiteral("goal")});
    const auto add = [&](const QString& what, const SampleSet& samples, const QString& found, bool judged) {
        const SampleSummary wall = samples.wall();
        table.addRow({what, QString::number(wall.count), BenchTable::number(wall.medianUs),
                      BenchTable::number(wall.p99Us), BenchTable::number(samples.cpu().p99Us), found,
                      judged ? BenchTable::verdict(wall.medianUs < GoalUs) : QStringLiteral("-")});
    };
    add(QStringLiteral("labelFontSize"), halving, QString::number(result), true);
    add(QStringLiteral("size-by-size search from 23"), sizeBySize, QString::number(sizeBySizeResult), false);
    add(QStringLiteral("resizeEvent (sent, same size)"), handler,
        QString::number(timeLabel->font().pointSize()), true);
    add(QStringLiteral("resize() 1900x1060 <-> 1920x1080, with layout"), resizes, QStringLiteral("-"), true);
    table.print();
    std::printf("  speed-up over the size-by-size search (medians): %.1fx; same font size: %s\n\n",
                halving.wall().medianUs > 0 ? sizeBySize.wall().medianUs / halving.wall().medianUs : 0.0,
                result == sizeBySizeResult ? "yes" : "NO");
    std::fflush(stdout);
    return result == sizeBySizeResult;
}
