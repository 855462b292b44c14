#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Collects the lines that a part of the program writes for the technician (the sound engine's,
// from its own thread), for a test to read instead of standard output.
class ReportLines
{
public:
    ReportLines();

    // A writer to hand to the part under test; safe to call from any thread.
    std::function<void(const QString& line)> writer() const;
    QStringList lines() const;
    // The lines that contain text.
    QStringList matching(const QString& text) const;
    // Runs the event loop until a line containing text has come, at most timeoutMs.
    bool waitFor(const QString& text, int timeoutMs = 5000) const;

private:
    struct Shared
    {
        mutable QMutex mutex;
        QStringList lines;
    };
    std::shared_ptr<Shared> shared;
};
