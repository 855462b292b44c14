#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A private X server (Xvfb) on a display number it picks itself, so that parallel runs never meet.
// What the user sees is judged there, from the screen's pixels, on the same platform plugin (xcb)
// that a desktop uses.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False, with the reason in errorString(), when Xvfb is missing or does not start.
    bool start(const QString& screen = QStringLiteral("1024x768x24"));
    QString errorString() const { return error; }
    // ":N"
    QString display() const { return displayName; }
    // The given environment with DISPLAY pointing here and Qt's xcb platform chosen.
    QProcessEnvironment
    environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

private:
    QProcess server;
    QString displayName;
    QString error;
};
