#pragma once

#include "floodreport.h"
#include "floodsettings.h"

#include <QProcess>
#include <QString>

#include <optional>

// The sender side of the benchmark as a child process: this same program with --sender.
class FloodProcess
{
public:
    explicit FloodProcess(const FloodSettings& settings);
    ~FloodProcess();

    bool start(quint16 port, QString* error);
    // Looks without waiting; also usable where no event loop runs.
    bool hasExited();
    // The sender's report once it exited normally; nothing (and why) otherwise.
    std::optional<FloodReport> report(QString* error);
    QProcess& process() { return child; }

private:
    FloodSettings settings;
    QProcess child;
};
