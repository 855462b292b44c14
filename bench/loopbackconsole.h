#pragma once

#include <QtGlobal>

#include <netinet/in.h>

// A console that sends ArtTimeCode (30 fps) from its own loopback address to a node on this
// machine, through a plain socket, so that a thread other than Qt's can send while the GUI thread
// runs the window. It never sends anywhere but 127.0.0.1.
class LoopbackConsole
{
public:
    // source: the console's address, 127.x.y.z in host byte order.
    LoopbackConsole(quint32 source, quint16 nodePort);
    ~LoopbackConsole();
    LoopbackConsole(const LoopbackConsole&) = delete;
    LoopbackConsole& operator=(const LoopbackConsole&) = delete;

    bool isBound() const { return bound; }
    void send(int seconds, int frames);

private:
    int socketDescriptor = -1;
    bool bound = false;
    sockaddr_in node{};
};
