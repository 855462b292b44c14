#include "localhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

LocalHttpServer::LocalHttpServer()
{
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server.nextPendingConnection())
            serve(socket);
    });
}

QString LocalHttpServer::url(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(pathAndQuery);
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    socket->setParent(this);
    const HttpAnswer answer = next;
    auto request = std::make_shared<QByteArray>();
    auto complete = std::make_shared<bool>(false);

    connect(socket, &QTcpSocket::disconnected, this, [this, socket, complete] {
        if (!*complete)
            ++abandoned;
        socket->deleteLater();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, answer, request, complete] {
        *request += socket->readAll();
        const qsizetype end = request->indexOf("\r\n\r\n");
        if (end < 0 || request->isEmpty())
            return;
        heads.append(QString::fromLatin1(request->first(end)));
        request->clear();
        if (!answer.answers)
            return;

        qsizetype length = 0;
        for (const QByteArray& piece : answer.pieces)
            length += piece.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Test\r\n";
        head += "Content-Type: text/plain\r\nConnection: close\r\n";
        head += "Content-Length: " + QByteArray::number(length) + "\r\n" + answer.extraHeaders + "\r\n";
        socket->write(head);

        // Piece i leaves i pauses after the head; the last one ends the answer.
        const int count = int(answer.pieces.size());
        for (int index = 0; index < qMax(count, 1); ++index) {
            QTimer::singleShot(index * answer.pauseMs, socket, [socket, answer, complete, index, count] {
                if (index < count) {
                    socket->write(answer.pieces[index]);
                    socket->flush();
                }
                if (index + 1 >= count) {
                    *complete = true;
                    socket->disconnectFromHost();
                }
            });
        }
    });
}

QString closedLoopbackUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/update_check.php?software=velmora").arg(port);
}
