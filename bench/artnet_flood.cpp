// Floods the Art-Net node with a show's worth of traffic on loopback and reports what it costs:
// datagrams dispatched per second, loss, CPU per datagram, and how soon a timecode datagram is
// readable through the timecode query; then the same flood into a bare recvmmsg loop as the
// ceiling. The sender is this program again, started with --sender.
#include "floodphases.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr qint64 GoalRate = 25'000;
constexpr double GoalCpuRatio = 2.0;
constexpr qint64 GoalTimecodeP99Ns = 5'000'000;

// One receiving side's figures summed over the rounds of a run.
struct FloodTotals
{
    qint64 sent = 0;
    qint64 received = 0;
    qint64 cpuNs = 0;
    qint64 spanNs = 0;
    qint64 worstLagNs = 0;
    qint64 sendErrors = 0;
    qint64 pollsSent = 0;
    qint64 pollReplies = 0;
    bool repliesObserved = true;
    LatencyRecorder latency{0};

    void add(const PhaseResult& round)
    {
        sent += round.report.total();
        received += round.received;
        cpuNs += round.cpuNs;
        spanNs += round.report.spanNs();
        worstLagNs = qMax(worstLagNs, round.report.maxLagNs);
        sendErrors += round.report.sendErrors;
        pollsSent += round.report.pollsSent;
        pollReplies += round.report.pollReplies;
        repliesObserved = repliesObserved && round.report.repliesObserved;
        latency.absorb(round.latency);
    }
    qint64 lost() const { return sent - received; }
    double cpuPerDatagramUs() const { return received > 0 ? double(cpuNs) / double(received) / 1000.0 : 0.0; }
    double receivedPerSecond() const { return spanNs > 0 ? double(received) * 1e9 / double(spanNs) : 0.0; }
    double cpuLoadPercent() const { return spanNs > 0 ? 100.0 * double(cpuNs) / double(spanNs) : 0.0; }
};

struct Options
{
    FloodSettings settings;
    int rounds = 2;
    bool sender = false;
    quint16 port = 0;
};

bool parseOptions(const QCoreApplication& application, Options* options, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Floods the Art-Net node on loopback and compares it with a bare recvmmsg loop."));
    parser.addHelpOption();
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Datagrams per second (25000)."),
                                  QStringLiteral("datagrams"), QStringLiteral("25000"));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("Seconds of flood (5)."),
                                      QStringLiteral("seconds"), QStringLiteral("5"));
    const QCommandLineOption rounds(
        QStringLiteral("rounds"),
        QStringLiteral("Rounds of node and bare loop, alternating which goes first (2)."),
        QStringLiteral("count"), QStringLiteral("2"));
    QCommandLineOption sender(QStringLiteral("sender"), QStringLiteral("Be the sending process."));
    QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The sender's destination port."),
                            QStringLiteral("port"));
    sender.setFlags(QCommandLineOption::HiddenFromHelp);
    port.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({rate, duration, rounds, sender, port});
    parser.process(application);

    bool rateOk = false, durationOk = false, roundsOk = false;
    bool portOk = true;
    options->settings.datagramsPerSecond = parser.value(rate).toLongLong(&rateOk);
    const double seconds = parser.value(duration).toDouble(&durationOk);
    options->rounds = parser.value(rounds).toInt(&roundsOk);
    options->sender = parser.isSet(sender);
    if (options->sender)
        options->port = quint16(parser.value(port).toUInt(&portOk));
    options->settings.durationNs = qint64(seconds * 1e9);
    if (!rateOk || options->settings.datagramsPerSecond < 1 ||
        options->settings.datagramsPerSecond > 1'000'000)
        *error = QStringLiteral("--rate takes 1 to 1000000 datagrams per second");
    else if (!durationOk || seconds < 0.1 || seconds > 100)
        *error = QStringLiteral("--duration takes 0.1 to 100 seconds");
    else if (!roundsOk || options->rounds < 1 || options->rounds > 20)
        *error = QStringLiteral("--rounds takes 1 to 20");
    else if (options->sender && (!portOk || options->port == 0))
        *error = QStringLiteral("--sender needs --port");
    return error->isEmpty();
}

QString milliseconds(qint64 ns)
{
    return ns < 0 ? QStringLiteral("never")
                  : QString::number(double(ns) / 1e6, 'f', 3) + QStringLiteral(" ms");
}

void row(const char* name, const QString& node, const QString& bare)
{
    std::printf("  %-34s %14s %16s\n", name, qPrintable(node), qPrintable(bare));
}

void row(const char* name, qint64 node, qint64 bare)
{
    row(name, QString::number(node), QString::number(bare));
}

void row(const char* name, double node, double bare, int decimals)
{
    row(name, QString::number(node, 'f', decimals), QString::number(bare, 'f', decimals));
}

void goal(const QString& name, const QString& measured, bool met)
{
    std::printf("  %-46s %14s   %s\n", qPrintable(name), qPrintable(measured), met ? "PASS" : "FAIL");
}

void printResults(const Options& options, const FloodTotals& node, const FloodTotals& bare,
                  const QList<double>& roundRatios)
{
    const FloodSettings& settings = options.settings;
    const FloodPlan plan(settings.datagramsPerSecond, settings.durationNs);
    std::printf("Art-Net receive flood on loopback: %lld datagrams/s, %d round(s) of %.1f s per side, "
                "%d universes, sent every %.2f ms\n",
                static_cast<long long>(settings.datagramsPerSecond), options.rounds,
                double(settings.durationNs) / 1e9, settings.universes,
                double(settings.batchIntervalNs) / 1e6);
    std::printf("  (ArtDmx %lld/s; ArtTimeCode 4 x %lld/s from 127.0.0.11-14; ArtPoll every 3 s from "
                "127.0.0.2)\n\n",
                static_cast<long long>(plan.dmxPerSecond()),
                static_cast<long long>(FloodPlan::TimecodeFramesPerSecond));
    row("", QStringLiteral("node"), QStringLiteral("bare recvmmsg"));
    row("sent", node.sent, bare.sent);
    row("received", node.received, bare.received);
    row("lost", node.lost(), bare.lost());
    row("received per second", node.receivedPerSecond(), bare.receivedPerSecond(), 0);
    row("CPU per datagram (us)", node.cpuPerDatagramUs(), bare.cpuPerDatagramUs(), 3);
    row("CPU load (% of one core)", node.cpuLoadPercent(), bare.cpuLoadPercent(), 1);
    row("sender's worst lateness", milliseconds(node.worstLagNs), milliseconds(bare.worstLagNs));
    row("send errors", node.sendErrors, bare.sendErrors);
    const LatencyRecorder::Summary latency = node.latency.summarise();
    const LatencyRecorder::Summary bareLatency = bare.latency.summarise();
    row("timecode send to readable: median", milliseconds(latency.medianNs),
        milliseconds(bareLatency.medianNs));
    row("  p99", milliseconds(latency.p99Ns), milliseconds(bareLatency.p99Ns));
    row("  max", milliseconds(latency.maxNs), milliseconds(bareLatency.maxNs));
    row("  frames never readable", latency.neverReadable, bareLatency.neverReadable);
    std::printf("\n");

    QStringList ratios;
    for (double ratio : roundRatios)
        ratios.append(QString::number(ratio, 'f', 2) + QLatin1Char('x'));
    std::printf("  node/bare CPU per datagram, round by round: %s\n",
                qPrintable(ratios.join(QStringLiteral(", "))));
    std::printf("  timecode: %lld frames; at the node %lld were overwritten before a look\n",
                static_cast<long long>(latency.sent), static_cast<long long>(latency.overwritten));
    if (node.repliesObserved)
        std::printf("  poll replies: %lld for %lld polls\n", static_cast<long long>(node.pollReplies),
                    static_cast<long long>(node.pollsSent));
    else
        std::printf("  poll replies: not observed; the sender could not listen on 127.0.0.2, so the node "
                    "received its own replies and counted them\n");
    std::printf("\n");

    const double ratio =
        bare.cpuPerDatagramUs() > 0 ? node.cpuPerDatagramUs() / bare.cpuPerDatagramUs() : 0.0;
    goal(QStringLiteral("node CPU per datagram <= 2x the bare loop's"),
         QString::number(ratio, 'f', 2) + QLatin1Char('x'), ratio > 0 && ratio <= GoalCpuRatio);
    QString lossGoal = QStringLiteral("no loss at %1 datagrams/s").arg(settings.datagramsPerSecond);
    if (settings.datagramsPerSecond != GoalRate)
        lossGoal += QStringLiteral(" (goal: 25000)");
    goal(lossGoal, QString::number(node.lost()), node.lost() == 0);
    goal(QStringLiteral("timecode p99 < 5 ms"), milliseconds(latency.p99Ns),
         latency.p99Ns >= 0 && latency.p99Ns < GoalTimecodeP99Ns);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    Options options;
    QString error;
    if (!parseOptions(application, &options, &error)) {
        std::fprintf(stderr, "artnet_flood: %s\n", qPrintable(error));
        return 2;
    }
    if (options.sender)
        return runSender(options.settings, options.port);

    // Rounds alternate which side goes first, so that a change in the machine's other load
    // during the run weighs on both sides alike.
    FloodTotals node, bare;
    QList<double> roundRatios;
    for (int round = 0; round < options.rounds; ++round) {
        PhaseResult nodeRound, bareRound;
        const bool nodeFirst = round % 2 == 0;
        const bool ran = nodeFirst ? runNodePhase(options.settings, &nodeRound, &error) &&
                                         runBarePhase(options.settings, &bareRound, &error)
                                   : runBarePhase(options.settings, &bareRound, &error) &&
                                         runNodePhase(options.settings, &nodeRound, &error);
        if (!ran) {
            std::fprintf(stderr, "artnet_flood: %s\n", qPrintable(error));
            return 1;
        }
        node.add(nodeRound);
        bare.add(bareRound);
        const double nodeUs = double(nodeRound.cpuNs) / double(qMax<qint64>(nodeRound.received, 1));
        const double bareUs = double(bareRound.cpuNs) / double(qMax<qint64>(bareRound.received, 1));
        roundRatios.append(bareUs > 0 ? nodeUs / bareUs : 0.0);
    }
    printResults(options, node, bare, roundRatios);
    return 0;
}
