// The node on the machine's own interfaces, in a network namespace of the test's own, with a
// cable (a veth pair) to a second one: a network joined after the start is answered, an address
// that vanished is no longer used, and a poll spoofed from the subnet's broadcast address gets
// no answer.
#include "nodeharness.h"
#include "ownnetworknamespace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
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

// The other end of the cable: the network namespace of a child that waits. This thread enters
// it for a moment to set up its end or to make a socket there (which stays there).
class OtherSide
{
public:
    OtherSide()
    {
        holder.start(QStringLiteral("unshare"), {"-n", "sleep", "600"});
        holder.waitForStarted(10000);
        const QString own = QFile::symLinkTarget("/proc/self/ns/net");
        for (int wait = 0; wait < 500 && QFile::symLinkTarget(path()) == own; ++wait)
            QTest::qWait(10);
    }
    ~OtherSide() { holder.kill(), holder.waitForFinished(5000); }
    QString pid() const { return QString::number(holder.processId()); }
    template <typename Work>
    void inside(Work work)
    {
        const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int other = ::open(qPrintable(path()), O_RDONLY | O_CLOEXEC);
        if (::setns(other, CLONE_NEWNET) == 0)
            work(), ::setns(own, CLONE_NEWNET);
        ::close(own), ::close(other);
    }

private:
    QString path() const { return QStringLiteral("/proc/%1/ns/net").arg(pid()); }
    QProcess holder;
};

// NAME0 here with the node's address, NAME1 on the other side with the poller's, both /24.
bool addCable(OtherSide& otherSide, const QString& name, const QString& here, const QString& there,
              QString* error)
{
    bool done =
        runIp({"link", "add", name + "0", "type", "veth", "peer", name + "1", "netns", otherSide.pid()},
              error) &&
        runIp({"addr", "add", here + "/24", "brd", "+", "dev", name + "0"}, error) &&
        runIp({"link", "set", name + "0", "up"}, error);
    otherSide.inside([&] {
        done = done && runIp({"addr", "add", there + "/24", "brd", "+", "dev", name + "1"}, error) &&
               runIp({"link", "set", name + "1", "up"}, error);
    });
    return done;
}

std::unique_ptr<LoopbackPeer> peerThere(OtherSide& otherSide, const QString& address, quint16 port)
{
    std::unique_ptr<LoopbackPeer> peer;
    otherSide.inside([&] { peer = std::make_unique<LoopbackPeer>(address, port); });
    return peer;
}

// Polls until a reply comes or the time is up; the reply's IP address field, or nothing.
QByteArray answeringAddress(LoopbackPeer& peer, quint16 port, const QString& node, int withinMs)
{
    QElapsedTimer waited;
    waited.start();
    QByteArray reply;
    while (reply.isEmpty() && waited.elapsed() < withinMs) {
        peer.sendTo(Poll, port, node);
        reply = peer.receive(200);
    }
    return reply.mid(10, 4);
}

QByteArray ipBytes(const QString& address)
{
    const quint32 value = qToBigEndian(QHostAddress(address).toIPv4Address());
    return QByteArray(reinterpret_cast<const char*>(&value), 4);
}

// An ArtPoll whose IP header claims a source no socket sends from: only a raw socket (root, in
// this namespace) can lie about it, as a spoofing sender on the network would.
bool sendSpoofedPoll(const QString& from, const QString& to, quint16 port)
{
    // IPv4 with a 20-byte header, time to live 64, UDP; the kernel fills length and checksum.
    QByteArray packet = QByteArray("\x45\0\0\0\0\0\0\0\x40\x11\0\0", 12) + ipBytes(from) + ipBytes(to);
    const quint16 udp[4] = {qToBigEndian(port), qToBigEndian(port), qToBigEndian(quint16(8 + Poll.size())),
                            0};
    packet += QByteArray(reinterpret_cast<const char*>(udp), 8) + Poll;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = qToBigEndian(QHostAddress(to).toIPv4Address());
    const int raw = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);
    const bool sent =
        ::sendto(raw, packet.constData(), size_t(packet.size()), 0,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof destination) == packet.size();
    ::close(raw);
    return sent;
}

} // namespace

void NetworkChangeTest::networkJoinedAfterStartIsAnswered()
{
    NodeHarness harness{NodeHarness::SystemInterfaces{}};
    harness.node().setReplyToPoll(true);
    QVERIFY(harness.diagnostics.contains("found IpV4 - 127.0.0.1 memory for later"));

    // The cable goes in after the start.
    OtherSide otherSide;
    QString error;
    QVERIFY2(addCable(otherSide, "vlate", "10.77.0.1", "10.77.0.2", &error), qPrintable(error));
    const auto poller = peerThere(otherSide, "10.77.0.2", harness.port());
    QVERIFY(poller && poller->isBound());
    QCOMPARE(answeringAddress(*poller, harness.port(), "10.77.0.1", 5000), ipBytes("10.77.0.1"));
    QVERIFY(harness.diagnostics.contains("the network addresses of this machine changed, looking again"));
    QVERIFY(
        !harness.diagnostics.filter(QRegularExpression("^found IpV4 - 10.77.0.1 .*add to send")).isEmpty());

    // The network changes: the old address goes, a new one comes.
    harness.diagnostics.clear();
    QVERIFY2(runIp({"addr", "del", "10.77.0.1/24", "dev", "vlate0"}, &error) &&
                 runIp({"addr", "add", "10.78.0.1/24", "brd", "+", "dev", "vlate0"}, &error),
             qPrintable(error));
    otherSide.inside([&] { runIp({"addr", "add", "10.78.0.2/24", "brd", "+", "dev", "vlate1"}, &error); });
    const auto movedPoller = peerThere(otherSide, "10.78.0.2", harness.port());
    QVERIFY2(movedPoller->isBound(), qPrintable(error));
    QCOMPARE(answeringAddress(*movedPoller, harness.port(), "10.78.0.1", 5000), ipBytes("10.78.0.1"));
    for (const InterfaceEntry& entry : harness.node().interfaces())
        QVERIFY(entry.entry.ip() != QHostAddress("10.77.0.1"));
    QVERIFY(
        !harness.diagnostics.filter(QRegularExpression("^found IpV4 - 10.78.0.1 .*add to send")).isEmpty());
    QVERIFY(harness.diagnostics.filter("10.77.0.1").isEmpty());
}

void NetworkChangeTest::pollFromTheBroadcastAddressIsNotAnswered()
{
    OtherSide otherSide;
    QString error;
    QVERIFY2(addCable(otherSide, "vbcast", "10.79.0.1", "10.79.0.2", &error), qPrintable(error));
    NodeHarness harness{NodeHarness::SystemInterfaces{}};
    harness.node().setReplyToPoll(true);
    // What goes to the subnet's broadcast address reaches a listener on either side.
    LoopbackPeer subnetHere("10.79.0.255", harness.port());
    const auto subnetThere = peerThere(otherSide, "10.79.0.255", harness.port());
    const auto poller = peerThere(otherSide, "10.79.0.2", harness.port());
    QVERIFY(subnetHere.isBound() && subnetThere->isBound() && poller->isBound());

    QVERIFY(sendSpoofedPoll("10.79.0.255", "10.79.0.1", harness.port()));
    // A real poll afterwards: once it is answered, the spoofed one has been handled too.
    QCOMPARE(answeringAddress(*poller, harness.port(), "10.79.0.1", 5000), ipBytes("10.79.0.1"));
    QVERIFY(subnetHere.receive(300).isEmpty());
    QVERIFY(subnetThere->receive(100).isEmpty());
    QVERIFY(harness.diagnostics.filter("PollReply to 10.79.0.255").isEmpty());
}

int main(int argc, char* argv[])
{
    NetworkChangeTest tests;
    return runInOwnNetworkNamespace(argc, argv, &tests);
}

#include "tst_networkchange.moc"
