// The settings dialog open beside the main window, with nine cue files on a share that answers
// each open only after a while (a file check that waits, 200 ms unless told): the dialog opening,
// then a time box's arrow held for 5 s, with the mouse and as a key held down (30 steps a second).
// The figure is the longest gap between two 20 ms display ticks on the GUI thread: how long the
// window could not draw or fire a cue. Prints the figures that the README quotes.
//   velmora-settings-bench [--open-ms N] [--hold-ms N]
#include "app/mainwindow.h"
#include "benchtable.h"
#include "cues/settings.h"
#include "tickgapwatch.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QAtomicInt>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr double GoalMs = 40;

struct Options
{
    int openMs = 200;
    int holdMs = 5000;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--open-ms"))
            options.openMs = arguments[i + 1].toInt();
        else if (arguments[i] == QStringLiteral("--hold-ms"))
            options.holdMs = arguments[i + 1].toInt();
    }
    return options;
}

struct Phase
{
    QString name;
    int steps = 0;
    int checks = 0;
    double longestGapMs = 0;
};

// The up arrow of a spin box in the styles Velmora runs with: the upper half of its right edge.
QPoint upArrow(const QSpinBox* box)
{
    return QPoint(box->width() - 5, box->height() / 4);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const Options options = parse(application.arguments());

    QTemporaryDir show;
    QList<CueEntry> entries;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        const QString path = show.filePath(QStringLiteral("cue %1.wav").arg(slot));
        if (!ToneWav::writeCueFile(path, ToneWav::toneWav(100, 44100, 2, 16))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        entries.append({slot, path, 1, quint16(slot), 0});
    }
    AudioFileConfig cues = cueList(entries);
    WindowHarness harness(cues);
    harness.window().show();
    QTest::qWait(200);

    // Every open of a file answers late, as on a slow network share.
    auto checks = std::make_shared<QAtomicInt>(0);
    const int openMs = options.openMs;
    const CueFileCheck slowShare = [checks, openMs](const QString& path) {
        checks->ref();
        QThread::msleep(ulong(openMs));
        return cueFileState(path);
    };

    TickGapWatch watch(MainWindow::DisplayIntervalMs);
    QList<Phase> phases;

    watch.restart();
    QElapsedTimer opening;
    opening.start();
    Settings dialog(
        &cues, nullptr,
        SettingsEnvironment{harness.recorder.factory(), harness.fileChooser.chooser(), slowShare});
    dialog.show();
    if (!QTest::qWaitFor([&] { return !dialog.checkingFiles(); }, 60000)) {
        std::fprintf(stderr, "the files were not checked within a minute\n");
        return 1;
    }
    const double answeredMs = double(opening.nsecsElapsed()) / 1e6;
    QTest::qWait(2 * openMs);
    phases.append({QStringLiteral("dialog opens, nine files checked"), 0, checks->fetchAndStoreRelaxed(0),
                   watch.longestGapMs()});

    auto* box = dialog.findChild<QSpinBox*>(QStringLiteral("seconds0"));
    if (!box) {
        std::fprintf(stderr, "no seconds box in the dialog\n");
        return 1;
    }
    int steps = 0;
    QObject::connect(box, &QSpinBox::valueChanged, &dialog, [&steps] { ++steps; });

    // The arrow held with the mouse: the spin box's own repeat.
    box->setValue(0);
    QTest::qWait(2 * openMs);
    checks->fetchAndStoreRelaxed(0);
    steps = 0;
    watch.restart();
    QTest::mousePress(box, Qt::LeftButton, {}, upArrow(box));
    QTest::qWait(options.holdMs);
    QTest::mouseRelease(box, Qt::LeftButton, {}, upArrow(box));
    QTest::qWait(2 * openMs);
    phases.append({QStringLiteral("arrow held with the mouse"), steps, checks->fetchAndStoreRelaxed(0),
                   watch.longestGapMs()});

    // A key held down: 30 steps a second, up to the top of the box and down again.
    box->setValue(0);
    QTest::qWait(2 * openMs);
    checks->fetchAndStoreRelaxed(0);
    steps = 0;
    watch.restart();
    int direction = 1;
    QTimer keyRepeat;
    QObject::connect(&keyRepeat, &QTimer::timeout, box, [&] {
        if (box->value() == box->maximum() || box->value() == box->minimum())
            direction = box->value() == box->maximum() ? -1 : 1;
        QTest::keyClick(box, direction > 0 ? Qt::Key_Up : Qt::Key_Down);
    });
    keyRepeat.start(1000 / 30);
    QTest::qWait(options.holdMs);
    keyRepeat.stop();
    QTest::qWait(2 * openMs);
    phases.append({QStringLiteral("a key held down, 30 steps/s"), steps, checks->fetchAndStoreRelaxed(0),
                   watch.longestGapMs()});

    BenchTable table(QStringLiteral("Settings dialog, nine files answering after %1 ms each, held for %2 s")
                         .arg(openMs)
                         .arg(options.holdMs / 1000.0),
                     {"what", "steps", "file checks", "longest tick gap ms", "goal < 40 ms"});
    for (const Phase& phase : phases)
        table.addRow({phase.name, QString::number(phase.steps), QString::number(phase.checks),
                      BenchTable::number(phase.longestGapMs),
                      BenchTable::verdict(phase.longestGapMs < GoalMs)});
    table.print();
    std::printf("all nine rows answered %.0f ms after the dialog was made\n", answeredMs);
    std::fflush(stdout);
    return 0;
}
