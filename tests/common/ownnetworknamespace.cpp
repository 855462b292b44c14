#include "ownnetworknamespace.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr char InNamespace[] = "--in-own-network-namespace";

QString ipPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
}

// Runs outside: makes the namespace and runs the program's tests in it.
class NamespaceLauncher : public QObject
{
    Q_OBJECT

private slots:
    void inOwnNetworkNamespace();
};

void NamespaceLauncher::inOwnNetworkNamespace()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    const QString ip = ipPath();
    // The test command installs both: without them this would pass by skipping what it checks.
    if (unshare.isEmpty() || ip.isEmpty())
        QFAIL("unshare or ip missing: the test command installs util-linux and iproute2");
    QProcess probe;
    probe.start(unshare, {"-n", "true"});
    probe.waitForFinished(10000);
    if (probe.exitCode() != 0)
        QSKIP(qPrintable("cannot make a network namespace here (needs root): " +
                         QString::fromLocal8Bit(probe.readAllStandardError()).trimmed()));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    arguments.prepend(QString::fromLatin1(InNamespace));
    QProcess inner;
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(unshare, QStringList{"-n", "sh", "-c",
                                     QStringLiteral("\"%1\" link set lo up && exec \"$0\" \"$@\"").arg(ip),
                                     QCoreApplication::applicationFilePath()} +
                             arguments);
    QVERIFY(inner.waitForFinished(240000));
    const QByteArray output = inner.readAll();
    qInfo().noquote() << output;
    QCOMPARE(inner.exitCode(), 0);
}

} // namespace

int runInOwnNetworkNamespace(int argc, char* argv[], QObject* testsInside)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();
    if (arguments.removeAll(QString::fromLatin1(InNamespace)) > 0)
        return QTest::qExec(testsInside, arguments);
    // Test function names and options go to the run inside; the launcher has one function.
    NamespaceLauncher launcher;
    return QTest::qExec(&launcher, QStringList{arguments.first()});
}

bool runIp(const QStringList& arguments, QString* error)
{
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(ipPath(), arguments);
    const bool done =
        ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    if (!done && error)
        *error = QStringLiteral("ip %1: %2")
                     .arg(arguments.join(' '), QString::fromLocal8Bit(ip.readAll()).trimmed());
    return done;
}

#include "ownnetworknamespace.moc"
