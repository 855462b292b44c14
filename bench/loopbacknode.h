#pragma once

#include "artnet/artnet.h"

// A node for the benchmarks: bound to a free port of its own (never 6454, which a running Velmora
// may hold), told that the machine has only the loopback network, and quiet.
NodeEnvironment loopbackNodeEnvironment();

// A UDP port that nothing is bound to right now.
quint16 freeUdpPort();
