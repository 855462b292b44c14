#include "resizebench.h"

#include "app/timecodetext.h"
#include "benchenvironment.h"
#include "benchtable.h"
#include "benchwindow.h"
#include "sampleset.h"
#include "timecodedatagram.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QResizeEvent>

#include <cstdio>
#include <functional>

namespace {

constexpr double GoalUs = 2000.0;
const QSize FullHd(1920, 1080);
const QSize JustBelow(1900, 1060);

// The search as the display first did it: every size from 23 up until one reaches two thirds of
// the label's height or width.
int sizeBySizeLabelFontSize(const QString& family, const QString& text, QSize labelSize)
{
    const int targetHeight = (2 * labelSize.height()) / 3;
    const int targetWidth = (2 * labelSize.width()) / 3;
    for (int pointSize = TimecodeText::BaseFontSize + 1; pointSize < TimecodeText::LargestSearchedSize;
         ++pointSize) {
        const QFontMetrics metrics(QFont(family, pointSize, QFont::Bold, false));
        if (metrics.height() >= targetHeight || metrics.horizontalAdvance(text) >= targetWidth)
            return pointSize - 1;
    }
    return TimecodeText::BaseFontSize;
}

SampleSet timeCalls(int calls, const std::function<void()>& call)
{
    SampleSet samples;
    for (int run = 0; run < calls; ++run)
        samples.add(timeCall(call));
    return samples;
}

struct ResizeTimes
{
    CallTime resize;  // the resize itself: the layout and resizeEvent run inside it
    CallTime repaint; // what the event loop does next: mostly repainting the whole window
};

ResizeTimes timeResize(BenchWindow& bench, QSize size)
{
    const CallTime resize = timeCall([&] { bench.window().resize(size); });
    return {resize, timeCall([] { BenchWindow::settle(); })};
}

} // namespace

bool runResizeBench(const BenchEnvironment& environment, int calls)
{
    environment.writeWindowSettings(false, {});
    BenchWindow bench(std::make_shared<PlayLog>(), JustBelow, BenchWindow::DisplayTimer::Stopped);
    auto* timeLabel = bench.window().findChild<QLabel*>(QStringLiteral("timeLabel"));
    if (!timeLabel || !bench.canTick())
        return false;
    const QString text = QStringLiteral("10:00:00:00");
    bench.receive(timecodeDatagram({0, 0, 0, 10, 3}), QStringLiteral("127.0.0.11"));
    bench.tick();
    BenchWindow::settle();
    if (timeLabel->text() != text)
        return false;

    // The first resize to full HD meets font sizes that no font engine was made for yet.
    const ResizeTimes cold = timeResize(bench, FullHd);
    const QSize windowSize = bench.window().size();
    const QSize labelSize = timeLabel->size();
    const QString family = timeLabel->font().family();

    // That resize has run the search by halving; the size-by-size search meets most of its sizes
    // for the first time here.
    const int halvingResult = TimecodeText::labelFontSize(family, text, labelSize);
    int sizeBySizeResult = 0;
    const CallTime coldSearch =
        timeCall([&] { sizeBySizeResult = sizeBySizeLabelFontSize(family, text, labelSize); });

    const SampleSet halving = timeCalls(calls, [&] { TimecodeText::labelFontSize(family, text, labelSize); });
    const SampleSet sizeBySize =
        timeCalls(qMax(1, calls / 10), [&] { sizeBySizeLabelFontSize(family, text, labelSize); });
    const SampleSet handler = timeCalls(calls, [&] {
        QResizeEvent event(windowSize, windowSize);
        QCoreApplication::sendEvent(&bench.window(), &event);
    });
    SampleSet resizes;
    SampleSet repaints;
    for (int run = 0; run < qMax(1, calls / 10); ++run) {
        for (const QSize size : {JustBelow, FullHd}) {
            const ResizeTimes times = timeResize(bench, size);
            resizes.add(times.resize);
            repaints.add(times.repaint);
        }
    }

    BenchTable table(
        QStringLiteral("Timecode font on resize, label mode, window %1x%2, label %3x%4, font \"%5\", "
                       "text %6. Goal: median < %7 ms")
            .arg(windowSize.width())
            .arg(windowSize.height())
            .arg(labelSize.width())
            .arg(labelSize.height())
            .arg(family, text)
            .arg(GoalUs / 1000.0),
        {QStringLiteral("what"), QStringLiteral("calls"), QStringLiteral("median us"),
         QStringLiteral("p99 us"), QStringLiteral("p99 on-CPU us"), QStringLiteral("result pt"),
         QStringLiteral("goal")});
    const auto add = [&](const QString& what, const SampleSet& samples, const QString& result, bool judged) {
        const SampleSummary wall = samples.wall();
        const SampleSummary cpu = samples.cpu();
        table.addRow({what, QString::number(wall.count), BenchTable::number(wall.medianUs),
                      BenchTable::number(wall.p99Us), BenchTable::number(cpu.p99Us), result,
                      judged ? BenchTable::verdict(wall.medianUs < GoalUs) : QStringLiteral("-")});
    };
    const auto once = [&](const QString& what, const CallTime& time) {
        table.addRow({what, QStringLiteral("1"), BenchTable::number(double(time.wallNs) / 1000.0),
                      QStringLiteral("-"), BenchTable::number(double(time.cpuNs) / 1000.0),
                      QStringLiteral("-"), QStringLiteral("-")});
    };
    add(QStringLiteral("labelFontSize (halving)"), halving, QString::number(halvingResult), true);
    add(QStringLiteral("size-by-size search from 23"), sizeBySize, QString::number(sizeBySizeResult), false);
    add(QStringLiteral("resizeEvent (sent, same size)"), handler,
        QString::number(timeLabel->font().pointSize()), true);
    add(QStringLiteral("window resize 1900x1060 <-> 1920x1080: resize() with layout, resizeEvent"), resizes,
        QStringLiteral("-"), true);
    add(QStringLiteral("  then the repaint of the whole window"), repaints, QStringLiteral("-"), false);
    once(QStringLiteral("first resize to 1920x1080, fonts not cached: resize()"), cold.resize);
    once(QStringLiteral("  then its repaint"), cold.repaint);
    once(QStringLiteral("size-by-size search, first call (sizes not cached)"), coldSearch);
    table.print();
    std::printf("  speed-up of halving over size-by-size (medians): %.1fx; same font size: %s\n\n",
                halving.wall().medianUs > 0 ? sizeBySize.wall().medianUs / halving.wall().medianUs : 0.0,
                halvingResult == sizeBySizeResult ? "yes" : "NO");
    std::fflush(stdout);
    return halvingResult == sizeBySizeResult;
}
