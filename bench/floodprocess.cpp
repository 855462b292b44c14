#include "floodprocess.h"

#include <QCoreApplication>

FloodProcess::FloodProcess(const FloodSettings& settings) : settings(settings)
{
    // The report comes on standard output; the sender's complaints go straight to ours.
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

FloodProcess::~FloodProcess()
{
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(5000);
    }
}

bool FloodProcess::start(quint16 port, QString* error)
{
    const QStringList arguments{
        QStringLiteral("--sender"),
        QStringLiteral("--port"),
        QString::number(port),
        QStringLiteral("--rate"),
        QString::number(settings.datagramsPerSecond),
        QStringLiteral("--duration"),
        QString::number(double(settings.durationNs) / 1e9, 'g', 12),
        QStringLiteral("--universes"),
        QString::number(settings.universes),
        QStringLiteral("--batch-ms"),
        QString::number(double(settings.batchIntervalNs) / 1e6, 'g', 12),
    };
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (child.waitForStarted(10'000))
        return true;
    *error = QStringLiteral("cannot start the sender: %1").arg(child.errorString());
    return false;
}

bool FloodProcess::hasExited()
{
    return child.state() == QProcess::NotRunning || child.waitForFinished(0);
}

std::optional<FloodReport> FloodProcess::report(QString* error)
{
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        *error = QStringLiteral("the sender failed (exit code %1)").arg(child.exitCode());
        return std::nullopt;
    }
    const std::optional<FloodReport> report = FloodReport::fromText(child.readAllStandardOutput());
    if (!report)
        *error = QStringLiteral("the sender's report is incomplete");
    return report;
}
