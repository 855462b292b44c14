#include "xvfbserver.h"

#include <QElapsedTimer>
#include <QStandardPaths>

XvfbServer::~XvfbServer()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(5000))
            server.kill();
        server.waitForFinished(5000);
    }
}

bool XvfbServer::start(const QString& screen)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        error = QStringLiteral("Xvfb missing: install xvfb");
        return false;
    }
    // -displayfd 1: the server takes the first free display and writes its number to our end of
    // its standard output once it accepts clients.
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    if (!server.waitForStarted(10000)) {
        error = server.errorString();
        return false;
    }
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains('\n') && clock.elapsed() < 20000 && server.state() == QProcess::Running) {
        server.waitForReadyRead(100);
        output += server.readAllStandardOutput();
    }
    if (!output.contains('\n')) {
        error = QStringLiteral("Xvfb did not name its display: ") +
                QString::fromLocal8Bit(server.readAllStandardError()).trimmed();
        return false;
    }
    displayName = QLatin1Char(':') + QString::fromLatin1(output.trimmed());
    return true;
}

QProcessEnvironment XvfbServer::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DISPLAY"), displayName);
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return base;
}
