#pragma once

#include <QObject>
#include <QStringList>

// The main() of a test program whose tests need a network namespace of their own, where they
// may add links and addresses and take fixed ports without meeting anything of the machine's:
// started as usual, the program runs itself again inside a new namespace (unshare -n, loopback
// up) and reports that run; there, it runs the tests of testsInside. Without the right to make
// a namespace (root), the run is skipped and says so.
int runInOwnNetworkNamespace(int argc, char* argv[], QObject* testsInside);

// Runs ip (iproute2) with these arguments; on failure, the error is its message.
bool runIp(const QStringList& arguments, QString* error = nullptr);
