#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// What the test's web server answers to every request.
struct HttpAnswer
{
    int status = 200;
    // The body, sent piece by piece; each piece is written and flushed on its own.
    QList<QByteArray> pieces;
    // The pause before each piece after the first, so that they reach the client as separate reads.
    int pauseMs = 0;
    // Further header lines, each ending in CRLF ("Location: ...\r\n").
    QByteArray extraHeaders;
    // False: read the request and never answer, keeping the connection open.
    bool answers = true;

    static HttpAnswer body(const QByteArray& text, int status = 200) { return {status, {text}, 0, {}, true}; }
};

// A small HTTP/1.1 server of the test's own on 127.0.0.1 and a free port: answers every GET with
// the configured answer (with Content-Length, then closes), and notes what it was asked.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    LocalHttpServer();

    bool isListening() const { return server.isListening(); }
    // http://127.0.0.1:PORT followed by the path.
    QString url(const QString& pathAndQuery = QStringLiteral("/update_check.php?software=velmora")) const;
    void setAnswer(const HttpAnswer& answer) { next = answer; }

    // The request heads received so far, one string each (request line and headers).
    QStringList requests() const { return heads; }
    // Connections the client closed before the whole answer was sent.
    int abandonedConnections() const { return abandoned; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer server;
    HttpAnswer next;
    QStringList heads;
    int abandoned = 0;
};

// An http URL on 127.0.0.1 whose port nothing listens on: the connection is refused at once.
QString closedLoopbackUrl();
