#include "udpsocketstats.h"

#include <QDir>
#include <QFile>

#include <sys/socket.h>
#include <unistd.h>

std::optional<UdpSocketStats> parseProcNetUdpLine(const QByteArray& line, quint16 port)
{
    // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode
    // ref pointer drops
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const QList<QByteArray> local = fields[1].split(':');
    const QList<QByteArray> queues = fields[4].split(':');
    if (local.size() != 2 || queues.size() != 2)
        return std::nullopt;
    bool addressOk = false, portOk = false;
    const quint32 address = local[0].toUInt(&addressOk, 16);
    const quint32 localPort = local[1].toUInt(&portOk, 16);
    if (!addressOk || !portOk || address != 0 || localPort != port)
        return std::nullopt;
    UdpSocketStats stats;
    bool queueOk = false, inodeOk = false, dropsOk = false;
    stats.queuedBytes = queues[1].toLongLong(&queueOk, 16);
    stats.inode = fields[9].toULongLong(&inodeOk);
    stats.drops = fields[12].toLongLong(&dropsOk);
    if (!queueOk || !inodeOk || !dropsOk)
        return std::nullopt;
    return stats;
}

std::optional<UdpSocketStats> wildcardUdpSocketStats(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<UdpSocketStats> stats;
    for (const QByteArray& line : table.readAll().split('\n')) {
        stats = parseProcNetUdpLine(line, port);
        if (stats)
            break;
    }
    if (!stats)
        return std::nullopt;
    const QByteArray socketLink = "socket:[" + QByteArray::number(stats->inode) + ']';
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& name :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[64];
        const ssize_t length =
            readlink(QFile::encodeName(descriptors.filePath(name)).constData(), target, sizeof target);
        if (length <= 0 || QByteArray(target, length) != socketLink)
            continue;
        int size = 0;
        socklen_t sizeLength = sizeof size;
        if (getsockopt(name.toInt(), SOL_SOCKET, SO_RCVBUF, &size, &sizeLength) == 0)
            stats->receiveBuffer = size;
        break;
    }
    return stats;
}
