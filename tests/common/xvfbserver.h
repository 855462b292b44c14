#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

#include <sys/types.h>

// A private X server (Xvfb) for tests that judge what is drawn from the server's own pixels. It
// picks a free display number itself (-displayfd), so parallel runs never share one, listens on
// no TCP port, and ends with this object.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb with one screen of the given size at 24 bits; false with a reason in error()
    // when Xvfb is missing or does not come up.
    bool start(int width = 1024, int height = 768);
    // ":N", for DISPLAY.
    QByteArray display() const { return displayName; }
    QByteArray error() const { return failure; }
    // The given environment with DISPLAY pointing here and Qt's xcb platform chosen, for a program
    // the test starts.
    QProcessEnvironment
    environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

private:
    pid_t pid = -1;
    QByteArray displayName;
    QByteArray failure;
};
