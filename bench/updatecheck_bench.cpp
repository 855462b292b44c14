// The update check beside a running show: how long reading the service's answer takes, and how
// long the GUI thread's event loop stops while a hostile 10 MB answer arrives over loopback. The
// server runs on a thread of its own, as a remote host would be elsewhere.
//   velmora-update-bench [rounds]
#include "benchtable.h"
#include "localhttpserver.h"
#include "samplestats.h"
#include "tickgapwatch.h"
#include "update/checksoftwareupdate.h"
#include "update/updatebody.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <future>
#include <vector>

namespace {

// Reading a body of the largest size kept, made of the given line, repeated; µs per read.
double parseMicroseconds(const QByteArray& line, int rounds)
{
    QByteArray body;
    while (body.size() + line.size() <= UpdateBody::MaxBodyBytes)
        body += line;
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        std::optional<VersionNumbers> found;
        times.push_back(double(timeCall([&] {
                                   found = UpdateBody::newerVersion(body, {0, 3, 1, 0});
                               }).wallNs) /
                        1000.0);
        if (found)
            qFatal("no line of the bench body is newer");
    }
    return quantile(times, 50);
}

struct Download
{
    double totalMs = 0;
    double longestStallMs = 0;
};

// One check against an answer of bodyBytes; meanwhile a 1 ms timer notes the longest gap between
// its ticks, which is how long the window could not have drawn or played.
Download checkAgainst(const QString& url)
{
    CheckSoftwareUpdate check;
    check.SetUpdateText(QStringLiteral("$$$VERSION$$$"));
    check.SetCurrentVersion(0, 3, 1, 0);
    // The message box is not part of what is measured; the answer found is counted instead.
    QObject::disconnect(&check, &CheckSoftwareUpdate::signalViewUpdateRequest, nullptr, nullptr);
    int news = 0;
    QObject::connect(&check, &CheckSoftwareUpdate::signalViewUpdateRequest, [&news] { ++news; });

    QEventLoop loop;
    QObject::connect(&check, &CheckSoftwareUpdate::checkFinished, &loop, &QEventLoop::quit);
    TickGapWatch watch(1);
    QElapsedTimer clock;
    clock.start();
    watch.restart();
    check.StartUpdateCheck(url, 0);
    loop.exec();
    Download result{double(clock.nsecsElapsed()) / 1e6, watch.longestGapMs()};
    if (news != 1)
        qFatal("the check did not find the version at the start of the answer");
    return result;
}

// The same timer on an idle loop for as long: what the machine itself costs.
double idleStallMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    TickGapWatch watch(1);
    watch.restart();
    loop.exec();
    return watch.longestGapMs();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    BenchTable parsing(QStringLiteral("Reading a 64 KiB answer (median of 200)"), {"body", "µs"});
    parsing.addRow(
        {"short lines without the key", BenchTable::number(parseMicroseconds("line of text\n", 200))});
    parsing.addRow(
        {"every line holds an old version", BenchTable::number(parseMicroseconds("version:0.3.0.9\n", 200))});
    parsing.addRow({"one line, no line feed", BenchTable::number(parseMicroseconds("x", 200))});
    parsing.print();

    // The server on its own thread, answering 10 MB in 64 KiB pieces as fast as loopback takes them.
    std::promise<QString> urlPromise;
    QThread serverThread;
    LocalHttpServer* server = nullptr;
    QObject::connect(&serverThread, &QThread::started, [&] {
        server = new LocalHttpServer;
        HttpAnswer answer;
        answer.pieces.append("version:0.4\n");
        const QByteArray piece(64 * 1024, 'x');
        for (int i = 0; i < 160; ++i)
            answer.pieces.append(piece);
        server->setAnswer(answer);
        urlPromise.set_value(server->url());
    });
    serverThread.start();
    const QString url = urlPromise.get_future().get();

    BenchTable download(QStringLiteral("A check while a 10 MB answer arrives over loopback"),
                        {"round", "answer read (ms)", "longest event-loop stall (ms)"});
    std::vector<double> stalls;
    std::vector<double> idle;
    for (int round = 1; round <= rounds; ++round) {
        const Download result = checkAgainst(url);
        stalls.push_back(result.longestStallMs);
        idle.push_back(idleStallMs(int(result.totalMs) + 1));
        download.addRow({QString::number(round), BenchTable::number(result.totalMs),
                         BenchTable::number(result.longestStallMs, 2)});
    }
    download.addRow({"median", "", BenchTable::number(quantile(stalls, 50), 2)});
    download.addRow({"idle loop, as long", "", BenchTable::number(quantile(idle, 50), 2)});
    download.print();

    QMetaObject::invokeMethod(
        server,
        [&] {
            delete server;
            serverThread.quit();
        },
        Qt::QueuedConnection);
    serverThread.wait();
    return 0;
}
