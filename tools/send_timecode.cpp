// Sends Art-Net timecode to one address, to watch Velmora receive it on the same machine:
//   velmora-send-timecode --start 00:00:09:20 --type 1
// It sends to 127.0.0.1 port 6454 unless told otherwise; it broadcasts to the machine's
// interfaces only when asked with --broadcast. Scripts and benchmarks use it as their console.
#include "artnet/artnet.h"
#include "artnet/timecodeframes.h"
#include "timecodeclock.h"
#include "timecodesender.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

std::optional<ArtTimecode> parseStart(const QString& text, quint8 type)
{
    const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    ArtTimecode timecode;
    timecode.hours = quint8(match.captured(1).toInt());
    timecode.minutes = quint8(match.captured(2).toInt());
    timecode.seconds = quint8(match.captured(3).toInt());
    timecode.frames = quint8(match.captured(4).toInt());
    timecode.type = type;
    return timecode;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sends Art-Net timecode (ArtTimeCode) to one address."));
    parser.addHelpOption();
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Destination address (default 127.0.0.1)."),
                                QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption from(
        QStringLiteral("from"),
        QStringLiteral("Source address to send from, such as 127.0.0.11 to look like a console of its own; "
                       "given several times, every frame goes out from each, as from several consoles."),
        QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Destination UDP port (default 6454)."),
                                  QStringLiteral("port"), QStringLiteral("6454"));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("Start time hh:mm:ss[:ff]."),
                                   QStringLiteral("time"), QStringLiteral("00:00:00:00"));
    const QCommandLineOption type(
        QStringLiteral("type"),
        QStringLiteral("0 film 24, 1 EBU 25, 2 drop frame 29.97, 3 SMPTE 30 (default 1)."),
        QStringLiteral("type"), QStringLiteral("1"));
    const QCommandLineOption parked(QStringLiteral("parked"),
                                    QStringLiteral("Keep sending the start time, as a paused console does."));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QStringLiteral("Seconds to send; 0 sends until interrupted (default 10)."), QStringLiteral("seconds"),
        QStringLiteral("10"));
    const QCommandLineOption frames(
        QStringLiteral("frames"), QStringLiteral("Send this many frames, then stop (overrides --duration)."),
        QStringLiteral("count"));
    const QCommandLineOption broadcast(
        QStringLiteral("broadcast"),
        QStringLiteral("Send to the broadcast address of every network interface of this machine instead."));
    parser.addOptions({to, from, port, start, type, parked, duration, frames, broadcast});
    parser.process(application);

    const int typeValue = parser.value(type).toInt();
    const std::optional<ArtTimecode> first =
        parseStart(parser.value(start), quint8(qBound(0, typeValue, 255)));
    const QHostAddress destination(parser.value(to));
    QList<QHostAddress> sources;
    for (const QString& address : parser.values(from))
        sources.append(QHostAddress(address));
    if (sources.isEmpty())
        sources.append(QHostAddress()); // any address
    bool portOk = false;
    const int destinationPort = parser.value(port).toInt(&portOk);
    if (!first || destination.isNull() || !portOk || destinationPort <= 0 || destinationPort > 65535 ||
        std::any_of(sources.cbegin(), sources.cend(),
                    [&](const QHostAddress& source) { return parser.isSet(from) && source.isNull(); })) {
        std::fprintf(stderr, "velmora-send-timecode: bad --start, --to, --from or --port; see --help\n");
        return 2;
    }
    std::vector<std::unique_ptr<TimecodeSender>> consoles;
    for (const QHostAddress& source : sources) {
        consoles.push_back(std::make_unique<TimecodeSender>(source, destination, quint16(destinationPort)));
        if (!consoles.back()->isReady()) {
            std::fprintf(stderr, "velmora-send-timecode: cannot bind: %s\n",
                         qPrintable(consoles.back()->errorString()));
            return 1;
        }
    }

    // Broadcasts go out through a node of the tool's own, on a free port of its own: bound to
    // 6454 beside Velmora, it would take the unicast datagrams meant for Velmora.
    NodeEnvironment environment;
    environment.port = 0;
    environment.peerPort = quint16(destinationPort);
    environment.writeDiagnostic = [](const QString&) {};
    artnet node(environment);
    node.shareBind = false;

    ArtTimecode current = *first;
    const bool toBroadcast = parser.isSet(broadcast);
    const bool keepStill = parser.isSet(parked);
    const int frameLimit = parser.isSet(frames) ? parser.value(frames).toInt() : -1;
    const double seconds = parser.value(duration).toDouble();
    const qint64 durationLimit = frameLimit < 0 && seconds > 0 ? qint64(seconds * 1000) : -1;
    int sent = 0;
    QElapsedTimer clock;
    clock.start();

    QTimer frameTimer;
    frameTimer.setTimerType(Qt::PreciseTimer);
    const auto sendFrame = [&] {
        if ((frameLimit >= 0 && sent >= frameLimit) ||
            (durationLimit >= 0 && clock.elapsed() >= durationLimit)) {
            application.quit();
            return;
        }
        bool sentOk = true;
        if (toBroadcast)
            sentOk = node.sendTimecode(&current, nullptr) >= 0;
        else
            for (const auto& console : consoles)
                sentOk = console->send(current) && sentOk;
        if (!sentOk) {
            std::fprintf(stderr, "velmora-send-timecode: sending failed\n");
            application.exit(1);
            return;
        }
        ++sent;
        if (!keepStill)
            current = nextFrame(current);
    };
    QObject::connect(&frameTimer, &QTimer::timeout, sendFrame);
    frameTimer.start(1000 / TimecodeFrames::framesPerSecond(current.type));
    QTimer::singleShot(0, &frameTimer, sendFrame);
    const int result = application.exec();
    std::printf("sent %d timecode frames\n", sent);
    return result;
}
