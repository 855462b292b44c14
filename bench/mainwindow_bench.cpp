// How fast the main window is: the timecode font search on resize, the 20 ms display tick with 1,
// 4 and 32 senders, the display's share of the processor during a show at large window sizes, and
// the delay from a timecode datagram to a cue's play(). Runs on the offscreen platform with a
// settings store of its own; the node listens on a free port and only loopback is ever sent to.
//   velmora-mainwindow-bench [--ticks 20000] [--resize-calls 2000] [--show-seconds 30] [--cue-runs 300]
//                            [--only resize|tick|show|cue]
#include "isolatedenvironment.h"
#include "mainwindowbenches.h"

#include "app/applicationsetup.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char* argv[])
{
    IsolatedEnvironment environment("velmora-bench");
    if (!environment.isReady()) {
        std::fprintf(stderr, "velmora-mainwindow-bench: cannot make a private settings folder\n");
        return 1;
    }
    // The offscreen platform notes at every resize that it has no use for size hints.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message != QLatin1String("This plugin does not support propagateSizeHints()"))
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    });
    // As the program itself starts.
    prepareApplicationEnvironment();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const auto countOption = [](const char* name, const char* what, const char* fallback) {
        return QCommandLineOption(
            QLatin1String(name),
            QStringLiteral("%1 (default %2).").arg(QLatin1String(what), QLatin1String(fallback)),
            QStringLiteral("count"), QLatin1String(fallback));
    };
    const QCommandLineOption ticks = countOption("ticks", "Ticks per row", "20000");
    const QCommandLineOption resizeCalls = countOption("resize-calls", "Font searches timed", "2000");
    const QCommandLineOption cueRuns = countOption("cue-runs", "Cue starts timed", "300");
    const QCommandLineOption showSeconds =
        countOption("show-seconds", "Seconds of show per display-work row", "30");
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Run one benchmark: resize, tick, show or cue."),
                                  QStringLiteral("name"));
    parser.addOptions({ticks, resizeCalls, cueRuns, showSeconds, only});
    // Not process(): it leaves through exit() on --help or a bad option, and the private settings
    // folder would stay behind.
    if (!parser.parse(application.arguments())) {
        std::fprintf(stderr, "velmora-mainwindow-bench: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    // The font search first, while no font engine of the large sizes is cached yet.
    struct Bench
    {
        const char* name;
        bool (*run)(int);
        const QCommandLineOption& count;
    };
    const Bench benches[] = {{"resize", runResizeBench, resizeCalls},
                             {"tick", runTickBench, ticks},
                             {"show", runShowLoadBench, showSeconds},
                             {"cue", runCueLatencyBench, cueRuns}};
    const QString chosen = parser.value(only);
    bool known = chosen.isEmpty();
    for (const Bench& bench : benches)
        known = known || chosen == QLatin1String(bench.name);
    if (!known) {
        std::fprintf(stderr, "velmora-mainwindow-bench: --only takes resize, tick, show or cue\n");
        return 2;
    }
    bool ran = true;
    for (const Bench& bench : benches) {
        if (!chosen.isEmpty() && chosen != QLatin1String(bench.name))
            continue;
        if (!bench.run(qMax(1, parser.value(bench.count).toInt()))) {
            std::fprintf(stderr, "velmora-mainwindow-bench: the %s benchmark could not run\n", bench.name);
            ran = false;
        }
    }
    return ran ? 0 : 1;
}
