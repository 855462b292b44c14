// The built program as a user runs it, in a network namespace of its own so that it can take
// port 6454 without meeting anything else: it must answer an ArtPoll from a poller next to it
// and notice the first timecode it receives.
#include "nodeharness.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {
constexpr char InNamespace[] = "--in-namespace";
}

// Runs inside the namespace.
class ExecutableTest : public QObject
{
    Q_OBJECT

private slots:
    void answersPollsAndNoticesTimecode();
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

// Runs outside: makes the namespace and runs the test above in it.
class NamespaceLauncher : public QObject
{
    Q_OBJECT

private slots:
    void inOwnNetworkNamespace();
};

void NamespaceLauncher::inOwnNetworkNamespace()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    const QString ip =
        QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
    // The test command installs both: without them this would pass by skipping what it checks.
    if (unshare.isEmpty() || ip.isEmpty())
        QFAIL("unshare or ip missing: the test command installs util-linux and iproute2");
    QProcess probe;
    probe.start(unshare, {"-n", "true"});
    probe.waitForFinished(10000);
    if (probe.exitCode() != 0)
        QSKIP(qPrintable("cannot make a network namespace here (needs root): " +
                         QString::fromLocal8Bit(probe.readAllStandardError()).trimmed()));

    QProcess inner;
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(unshare, {"-n", "sh", "-c",
                          QStringLiteral("\"%1\" link set lo up && exec \"$0\" %2").arg(ip, InNamespace),
                          QCoreApplication::applicationFilePath()});
    QVERIFY(inner.waitForFinished(120000));
    const QByteArray output = inner.readAll();
    qInfo().noquote() << output;
    QCOMPARE(inner.exitCode(), 0);
}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();
    if (arguments.removeAll(QString::fromLatin1(InNamespace)) > 0) {
        ExecutableTest test;
        return QTest::qExec(&test, arguments);
    }
    NamespaceLauncher launcher;
    return QTest::qExec(&launcher, arguments);
}

#include "tst_executable.moc"
