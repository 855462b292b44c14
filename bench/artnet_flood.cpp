// Floods the Art-Net node with a show's worth of traffic on loopback and reports what it costs:
// datagrams dispatched per second, loss, CPU per datagram, and how soon a timecode datagram is
// readable through the timecode query; then the same flood into a bare recvmmsg loop as the
// ceiling. The flood comes from a thread of this program; only the receiving thread's CPU counts.
//   artnet_flood [--rate 25000] [--duration 5] [--rounds 2]
#include "benchtable.h"
#include "floodlatency.h"
#include "floodphases.h"
#include "samplestats.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

// One receiving side's figures summed over the rounds of a run.
struct FloodTotals
{
    qint64 sent = 0, received = 0, cpuNs = 0, spanNs = 0, worstLagNs = 0, sendErrors = 0;
    qint64 polls = 0, pollReplies = 0;
    std::vector<qint64> latencies;

    void add(const FloodRound& round)
    {
        sent += round.tally.sent;
        received += round.received;
        cpuNs += round.cpuNs;
        spanNs += round.tally.lastSendNs - round.tally.firstSendNs;
        worstLagNs = qMax(worstLagNs, round.tally.maxLagNs);
        sendErrors += round.tally.sendErrors;
        polls += round.tally.polls;
        pollReplies += round.tally.pollReplies;
        latencies.insert(latencies.end(), round.timecodeLatencies.begin(), round.timecodeLatencies.end());
    }
    double cpuPerDatagramUs() const { return received > 0 ? double(cpuNs) / double(received) / 1000.0 : 0.0; }
    // Nearest rank: a quantile that falls on a frame never readable, or on none, is "never".
    qint64 latencyNs(int percent) const
    {
        const qint64 ns = quantile(latencies, percent);
        return ns == NeverReadable ? -1 : ns;
    }
    QString latency(int percent) const
    {
        const qint64 ns = latencyNs(percent);
        return ns < 0 ? QStringLiteral("never") : QString::number(double(ns) / 1e6, 'f', 3);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Datagrams per second (25000)."),
                                        QStringLiteral("datagrams"), QStringLiteral("25000"));
    const QCommandLineOption durationOption(QStringLiteral("duration"),
                                            QStringLiteral("Seconds of flood a side (5)."),
                                            QStringLiteral("seconds"), QStringLiteral("5"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds of node and bare loop (2)."),
                                          QStringLiteral("count"), QStringLiteral("2"));
    parser.addOptions({rateOption, durationOption, roundsOption});
    parser.process(application);
    FloodSettings settings;
    settings.datagramsPerSecond = parser.value(rateOption).toLongLong();
    settings.durationNs = qint64(parser.value(durationOption).toDouble() * 1e9);
    const int rounds = parser.value(roundsOption).toInt();
    if (settings.datagramsPerSecond < 1 || settings.datagramsPerSecond > 1'000'000 ||
        settings.durationNs < 100'000'000 || settings.durationNs > 100'000'000'000 || rounds < 1 ||
        rounds > 20) {
        std::fprintf(stderr,
                     "artnet_flood: --rate takes 1 to 1000000, --duration 0.1 to 100, --rounds 1 to 20\n");
        return 2;
    }

    // Rounds alternate which side goes first, so that a change in the machine's other load
    // during the run weighs on both sides alike.
    FloodTotals node, bare;
    QStringList ratios;
    for (int round = 0; round < rounds; ++round) {
        FloodRound nodeRound, bareRound;
        QString error;
        const bool ran =
            round % 2 == 0
                ? runNodeRound(settings, &nodeRound, &error) && runBareRound(settings, &bareRound, &error)
                : runBareRound(settings, &bareRound, &error) && runNodeRound(settings, &nodeRound, &error);
        if (!ran) {
            std::fprintf(stderr, "artnet_flood: %s\n", qPrintable(error));
            return 1;
        }
        node.add(nodeRound);
        bare.add(bareRound);
        ratios.append(
            QString::number(nodeRound.cpuPerDatagramNs() / qMax(bareRound.cpuPerDatagramNs(), 1e-9), 'f', 2) +
            QLatin1Char('x'));
    }

    const double ratio = node.cpuPerDatagramUs() / qMax(bare.cpuPerDatagramUs(), 1e-9);
    const qint64 p99 = node.latencyNs(99);
    BenchTable table(
        QStringLiteral("Art-Net receive flood on loopback: %1 datagrams/s, %2 round(s) of %3 s a side: "
                       "ArtDmx over %4 universes, ArtTimeCode 4 x 30/s from 127.0.0.11-14, ArtPoll "
                       "every 3 s. Node/bare CPU per datagram, round by round: %5")
            .arg(settings.datagramsPerSecond)
            .arg(rounds)
            .arg(double(settings.durationNs) / 1e9)
            .arg(settings.universes)
            .arg(ratios.join(QStringLiteral(", "))),
        {QString(), QStringLiteral("node"), QStringLiteral("bare recvmmsg"), QStringLiteral("goal")});
    const auto add = [&](const QString& name, auto figure, const QString& goal = QString()) {
        table.addRow({name, figure(node), figure(bare), goal});
    };
    const auto count = [](qint64 n) { return QString::number(n); };
    add(QStringLiteral("sent"), [&](const FloodTotals& t) { return count(t.sent); });
    add(QStringLiteral("received"), [&](const FloodTotals& t) { return count(t.received); });
    add(
        QStringLiteral("lost"), [&](const FloodTotals& t) { return count(t.sent - t.received); },
        QStringLiteral("none: ") + BenchTable::verdict(node.sent == node.received));
    add(QStringLiteral("received per second"), [](const FloodTotals& t) {
        return BenchTable::number(t.spanNs > 0 ? double(t.received) * 1e9 / double(t.spanNs) : 0.0, 0);
    });
    add(
        QStringLiteral("CPU per datagram (us)"),
        [](const FloodTotals& t) { return BenchTable::number(t.cpuPerDatagramUs(), 3); },
        QStringLiteral("<= 2x: %1x ").arg(ratio, 0, 'f', 2) + BenchTable::verdict(ratio <= 2.0));
    add(QStringLiteral("sender's worst lateness (ms)"),
        [](const FloodTotals& t) { return BenchTable::number(double(t.worstLagNs) / 1e6, 3); });
    add(QStringLiteral("send errors"), [&](const FloodTotals& t) { return count(t.sendErrors); });
    add(QStringLiteral("poll replies / polls"),
        [&](const FloodTotals& t) { return count(t.pollReplies) + QLatin1Char('/') + count(t.polls); });
    add(QStringLiteral("timecode send to readable: median ms"),
        [](const FloodTotals& t) { return t.latency(50); });
    add(
        QStringLiteral("  p99 ms"), [](const FloodTotals& t) { return t.latency(99); },
        QStringLiteral("< 5 ms: ") + BenchTable::verdict(p99 >= 0 && p99 < 5'000'000));
    add(QStringLiteral("  max ms"), [](const FloodTotals& t) { return t.latency(100); });
    table.print();
    return 0;
}
