// The node on the machine's own interfaces, in a network namespace of the test's own where
// links come and go: a network joined after the start is answered, an address that vanished is
// no longer used, and a poll spoofed from the subnet's broadcast address gets no answer.
#include "nodeharness.h"
#include "ownnetworknamespace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

class NetworkChangeTest : public QObject
{
    Q_OBJECT

private slots:
    void networkJoinedAfterStartIsAnswered();
    void pollFromTheBroadcastAddressIsNotAnswered();
};

namespace {

const QByteArray Poll = artNetHeader(0x2000, 14);

// The other end of the cable: a second network namespace, held by a child that waits, which
// this thread enters for a moment to set up its end or to make a socket there (a socket stays in
// the namespace it was made in).
class OtherSide
{
public:
    OtherSide()
    {
        holder.start(QStringLiteral("unshare"), {"-n", "sleep", "600"});
        holder.waitForStarted(10000);
        const QString own = QFile::symLinkTarget("/proc/self/ns/net");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && QFile::symLinkTarget(path()) == own)
            QTest::qWait(10);
        ready = holder.state() == QProcess::Running && QFile::symLinkTarget(path()) != own;
    }
    ~OtherSide()
    {
        holder.kill();
        holder.waitForFinished(5000);
    }
    bool isReady() const { return ready; }
    QString pid() const { return QString::number(holder.processId()); }

    template <typename Work>
    void inside(Work work)
    {
        const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int other = ::open(qPrintable(path()), O_RDONLY | O_CLOEXEC);
        if (own >= 0 && other >= 0 && ::setns(other, CLONE_NEWNET) == 0) {
            work();
            ::setns(own, CLONE_NEWNET);
        }
        ::close(own);
        ::close(other);
    }

private:
    QString path() const { return QStringLiteral("/proc/%1/ns/net").arg(pid()); }

    QProcess holder;
    bool ready = false;
};

// A veth pair from here to the other side, NAME0 here with the node's address, NAME1 there
// with the poller's, each with its subnet's broadcast address.
bool addLinkPair(OtherSide& otherSide, const QString& name, const QString& nodeAddress,
                 const QString& peerAddress, QString* error)
{
    if (!otherSide.isReady()) {
        *error = QStringLiteral("no second network namespace");
        return false;
    }
    bool done = runIp({"link", "add", name + "0", "type", "veth", "peer", "name", name + "1", "netns",
                       otherSide.pid()},
                      error) &&
                runIp({"addr", "add", nodeAddress + "/24", "brd", "+", "dev", name + "0"}, error) &&
                runIp({"link", "set", name + "0", "up"}, error);
    otherSide.inside([&] {
        done = done && runIp({"addr", "add", peerAddress + "/24", "brd", "+", "dev", name + "1"}, error) &&
               runIp({"link", "set", name + "1", "up"}, error);
    });
    return done;
}

// Polls from the peer until a reply comes or the time is up; the reply, or nothing.
QByteArray pollUntilAnswered(LoopbackPeer& peer, quint16 port, const QString& node, int withinMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < withinMs) {
        peer.sendTo(Poll, port, node);
        const QByteArray reply = peer.receive(200);
        if (!reply.isEmpty())
            return reply;
    }
    return QByteArray();
}

QByteArray ipBytes(const QString& address)
{
    const quint32 value = QHostAddress(address).toIPv4Address();
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, 4);
}

// An ArtPoll whose IP header claims a source no socket can send from: only a raw socket
// (root, in this namespace) can lie about it, as a spoofing sender on the network would.
bool sendSpoofedPoll(const QString& from, const QString& to, quint16 port)
{
    const int raw = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);
    if (raw < 0)
        return false;
    QByteArray packet(20 + 8, '\0');
    packet[0] = char(0x45);        // IPv4, 20-byte header
    packet[8] = char(64);          // time to live
    packet[9] = char(IPPROTO_UDP); // the kernel fills length and checksum
    packet.replace(12, 4, ipBytes(from));
    packet.replace(16, 4, ipBytes(to));
    const quint16 udpLength = quint16(8 + Poll.size());
    const char udp[8] = {char(port >> 8),
                         char(port),
                         char(port >> 8),
                         char(port),
                         char(udpLength >> 8),
                         char(udpLength),
                         0,
                         0}; // no UDP checksum
    packet.replace(20, 8, QByteArray(udp, 8));
    packet += Poll;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = htonl(QHostAddress(to).toIPv4Address());
    const ssize_t sent = ::sendto(raw, packet.constData(), size_t(packet.size()), 0,
                                  reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    ::close(raw);
    return sent == packet.size();
}

} // namespace

void NetworkChangeTest::networkJoinedAfterStartIsAnswered()
{
    NodeHarness harness{NodeHarness::SystemInterfaces{}};
    harness.node().setReplyToPoll(true);
    QVERIFY(harness.node().isSocketReady());
    QVERIFY(harness.diagnostics.contains("found IpV4 - 127.0.0.1 memory for later"));

    // The cable goes in after the start.
    OtherSide otherSide;
    QString error;
    QVERIFY2(addLinkPair(otherSide, "vlate", "10.77.0.1", "10.77.0.2", &error), qPrintable(error));
    std::unique_ptr<LoopbackPeer> poller;
    otherSide.inside([&] { poller = std::make_unique<LoopbackPeer>("10.77.0.2", harness.port()); });
    QVERIFY(poller && poller->isBound());
    const QByteArray reply = pollUntilAnswered(*poller, harness.port(), "10.77.0.1", 5000);
    QCOMPARE(reply.size(), 240);
    QCOMPARE(reply.mid(10, 4), ipBytes("10.77.0.1"));
    QVERIFY(harness.diagnostics.contains("the network addresses of this machine changed, looking again"));
    QVERIFY(!harness.diagnostics.filter(QRegularExpression("^found IpV4 - 10\\.77\\.0\\.1 .*add to send"))
                 .isEmpty());

    // The network changes: the old address goes, a new one comes.
    harness.diagnostics.clear();
    QVERIFY2(runIp({"addr", "del", "10.77.0.1/24", "dev", "vlate0"}, &error), qPrintable(error));
    QVERIFY2(runIp({"addr", "add", "10.78.0.1/24", "brd", "+", "dev", "vlate0"}, &error), qPrintable(error));
    std::unique_ptr<LoopbackPeer> movedPoller;
    otherSide.inside([&] {
        if (runIp({"addr", "add", "10.78.0.2/24", "brd", "+", "dev", "vlate1"}, &error))
            movedPoller = std::make_unique<LoopbackPeer>("10.78.0.2", harness.port());
    });
    QVERIFY2(movedPoller && movedPoller->isBound(), qPrintable(error));
    const QByteArray movedReply = pollUntilAnswered(*movedPoller, harness.port(), "10.78.0.1", 5000);
    QCOMPARE(movedReply.mid(10, 4), ipBytes("10.78.0.1"));
    for (const InterfaceEntry& entry : harness.node().interfaces())
        QVERIFY(entry.entry.ip() != QHostAddress("10.77.0.1"));
    QVERIFY(!harness.diagnostics.filter(QRegularExpression("^found IpV4 - 10\\.78\\.0\\.1 .*add to send"))
                 .isEmpty());
    QVERIFY(harness.diagnostics.filter("10.77.0.1").isEmpty());
}

void NetworkChangeTest::pollFromTheBroadcastAddressIsNotAnswered()
{
    OtherSide otherSide;
    QString error;
    QVERIFY2(addLinkPair(otherSide, "vbcast", "10.79.0.1", "10.79.0.2", &error), qPrintable(error));
    NodeHarness harness{NodeHarness::SystemInterfaces{}};
    harness.node().setReplyToPoll(true);
    // Whatever goes to the subnet's broadcast address reaches a listener on either side.
    LoopbackPeer subnetHere("10.79.0.255", harness.port());
    std::unique_ptr<LoopbackPeer> poller, subnetThere;
    otherSide.inside([&] {
        poller = std::make_unique<LoopbackPeer>("10.79.0.2", harness.port());
        subnetThere = std::make_unique<LoopbackPeer>("10.79.0.255", harness.port());
    });
    QVERIFY(subnetHere.isBound() && poller->isBound() && subnetThere->isBound());

    QVERIFY(sendSpoofedPoll("10.79.0.255", "10.79.0.1", harness.port()));
    // A real poll afterwards: once it is answered, the spoofed one has been handled too.
    QCOMPARE(pollUntilAnswered(*poller, harness.port(), "10.79.0.1", 5000).mid(10, 4), ipBytes("10.79.0.1"));
    QVERIFY(subnetHere.receive(300).isEmpty());
    QVERIFY(subnetThere->receive(100).isEmpty());
    QVERIFY(harness.diagnostics.filter("PollReply to 10.79.0.255").isEmpty());
    QVERIFY(!harness.diagnostics.filter("PollReply to 10.79.0.2 ").isEmpty());
}

int main(int argc, char* argv[])
{
    NetworkChangeTest tests;
    return runInOwnNetworkNamespace(argc, argv, &tests);
}

#include "tst_networkchange.moc"
