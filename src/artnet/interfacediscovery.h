#pragma once

#include "interfaceentry.h"

#include <functional>

using DiagnosticWriter = std::function<void(const QString& line)>;

// Picks the IPv4 addresses the node may use out of what the platform reports, writing one
// verdict line per address seen. Never returns an empty list: without a usable address the
// node falls back to the loopback network.
QList<InterfaceEntry> discoverUsableInterfaces(const QList<DescribedInterface>& interfaces,
                                               const DiagnosticWriter& writeLine);
