#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// Writes lines to a file descriptor from a thread of its own, so that the thread that writes a
// line never waits for the reader: a full pipe or a terminal paused with Ctrl+S would otherwise
// stop the window and the cues with it. Lines that do not fit while the reader lags are dropped
// and counted, and a line in their place says how many once the output takes lines again.
class LineWriter
{
public:
    // What may wait for the reader: some seconds of a busy node's lines, little memory.
    static constexpr qsizetype MaxQueuedBytes = 64 * 1024;
    // How long the end of the writer waits for what is queued to reach a reader that still reads.
    static constexpr int FinalDrainMs = 500;

    explicit LineWriter(int fileDescriptor);
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Queues one line (a line feed is added); never blocks on the descriptor.
    void write(const QString& line);
    // Waits up to timeoutMs until everything queued has been written; true if it was.
    bool waitUntilWritten(int timeoutMs) const;

private:
    struct Queue;
    std::shared_ptr<Queue> queue;
};

// The process's diagnostic lines on standard output, through one LineWriter.
void writeStandardOutputLine(const QString& line);
