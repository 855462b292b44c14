// The built program as a user runs it, in a network namespace of its own so that it can take
// port 6454 without meeting anything else: it must answer an ArtPoll from a poller next to it
// and notice the first timecode it receives, and go on answering while nobody reads its output.
#include "nodeharness.h"
#include "ownnetworknamespace.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class ExecutableTest : public QObject
{
    Q_OBJECT

private slots:
    void answersPollsAndNoticesTimecode();
    void answersWhileNobodyReadsItsOutput();
};

void ExecutableTest::answersPollsAndNoticesTimecode()
{
    QProcess velmora;
    velmora.setProcessChannelMode(QProcess::MergedChannels);
    velmora.start(QStringLiteral(VELMORA_EXECUTABLE), {});
    QVERIFY2(velmora.waitForStarted(10000), qPrintable(velmora.errorString()));
    QByteArray output;
    const auto readOutput = [&] {
        velmora.waitForReadyRead(50);
        output += velmora.readAll();
        return output;
    };
    // Only loopback exists here: the program says so, then falls back to the loopback network.
    QTRY_VERIFY_WITH_TIMEOUT(readOutput().contains("found IpV4 - 127.0.0.1 memory for later"), 10000);

    LoopbackPeer poller(QStringLiteral("127.0.0.2"), 6454);
    QVERIFY(poller.isBound());
    QByteArray reply;
    for (int attempt = 0; attempt < 20 && reply.isEmpty(); ++attempt) {
        poller.sendTo(artNetHeader(0x2000, 14), 6454);
        reply = poller.receive(500);
    }
    QCOMPARE(reply.size(), 240);
    QCOMPARE(reply.mid(8, 2), QByteArray("\x00\x21", 2));
    QCOMPARE(reply.mid(10, 4), QByteArray("\x7F\x00\x00\x01", 4));
    QCOMPARE(reply.mid(16, 2), QByteArray("\x00\x03", 2));
    QCOMPARE(reply.mid(20, 2), QByteArray("\x0C\x15", 2));
    QCOMPARE(reply.mid(26, 7), QByteArray("Orvane\0", 7));
    QTRY_VERIFY_WITH_TIMEOUT(readOutput().contains("PollReply to 127.0.0.2 from 127.0.0.1 SubId 0"), 5000);

    QVERIFY(!output.contains("receiving Art-Net TIMECODE ..."));
    LoopbackPeer console(QStringLiteral("127.0.0.5"));
    console.sendTo(timecodePacket(0, 0, 10, 0, 1), 6454);
    QTRY_VERIFY_WITH_TIMEOUT(readOutput().contains("receiving Art-Net TIMECODE ..."), 5000);
    console.sendTo(timecodePacket(0, 0, 10, 1, 1), 6454);
    QTest::qWait(200);
    QCOMPARE(readOutput().count("receiving Art-Net TIMECODE ..."), 1);

    velmora.terminate();
    QVERIFY(velmora.waitForFinished(10000));
}

void ExecutableTest::answersWhileNobodyReadsItsOutput()
{
    // Standard output is a pipe whose reader never reads, as a terminal paused with Ctrl+S or a
    // log reader that hangs: every answer writes a line, and the pipe is full after some hundreds.
    QTemporaryDir folder;
    const QString fifo = folder.filePath("output");
    QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
    const int reader = ::open(qPrintable(fifo), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(reader >= 0);
    QProcess velmora;
    velmora.setStandardOutputFile(fifo);
    velmora.start(QStringLiteral(VELMORA_EXECUTABLE), {});
    QVERIFY2(velmora.waitForStarted(10000), qPrintable(velmora.errorString()));

    LoopbackPeer poller(QStringLiteral("127.0.0.2"), 6454);
    QVERIFY(poller.isBound());
    QTRY_VERIFY_WITH_TIMEOUT((poller.sendTo(artNetHeader(0x2000, 14), 6454), !poller.receive(200).isEmpty()),
                             10000);
    // Polls are answered on the thread that runs the window: if a line blocked it, the answers
    // would stop here.
    const int batches = 80, perBatch = 50;
    int answered = 0;
    for (int batch = 0; batch < batches && answered == batch * perBatch; ++batch) {
        for (int i = 0; i < perBatch; ++i)
            poller.sendTo(artNetHeader(0x2000, 14), 6454);
        for (int i = 0; i < perBatch && !poller.receive(3000).isEmpty(); ++i)
            ++answered;
    }
    QCOMPARE(answered, batches * perBatch);

    // Read at last, the output tells how many lines it had to drop.
    QByteArray output;
    const auto readOutput = [&] {
        char buffer[65536];
        ssize_t got;
        while ((got = ::read(reader, buffer, sizeof buffer)) > 0)
            output.append(buffer, got);
        return output;
    };
    QTRY_VERIFY_WITH_TIMEOUT(readOutput().contains(" lines of output dropped: it was not read in time"),
                             10000);
    QVERIFY(output.startsWith("found "));
    ::close(reader);
    velmora.terminate();
    QVERIFY(velmora.waitForFinished(10000));
}

int main(int argc, char* argv[])
{
    ExecutableTest test;
    return runInOwnNetworkNamespace(argc, argv, &test);
}

#include "tst_executable.moc"
