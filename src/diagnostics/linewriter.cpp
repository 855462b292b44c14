#include "linewriter.h"

#include <QByteArray>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// Stands for lines dropped in a row, where they would have been.
QByteArray droppedNotice(quint64 count)
{
    return QByteArray::number(count) + " lines of output dropped: it was not read in time\n";
}

} // namespace

// Shared by the writer and its thread: the thread may outlive the writer while it is blocked on
// a reader that never reads, and must not touch anything the writer's end freed.
struct LineWriter::Queue
{
    // A line, or (empty text) a run of dropped lines, so that the notice lands where they were.
    struct Entry
    {
        QByteArray text;
        quint64 dropped = 0;
    };

    int fileDescriptor = -1;
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::deque<Entry> entries;
    qsizetype queuedBytes = 0;
    bool writing = false;
    bool closing = false;
    // The reader is gone (a closed pipe): nothing more is written.
    bool broken = false;

    void run();
    bool writeAll(const QByteArray& text);
};

bool LineWriter::Queue::writeAll(const QByteArray& text)
{
    const char* data = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fileDescriptor, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

void LineWriter::Queue::run()
{
    // A reader that went away must not end the program with SIGPIPE: the show goes on without
    // its log. Blocked here, write reports EPIPE instead.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    std::unique_lock<std::mutex> locked(lock);
    for (;;) {
        changed.wait(locked, [this] { return !entries.empty() || closing; });
        if (entries.empty())
            return;
        // Everything queued goes out in one write, so that a busy node costs few system calls.
        QByteArray text;
        while (!entries.empty()) {
            const Entry& entry = entries.front();
            text += entry.dropped ? droppedNotice(entry.dropped) : entry.text;
            queuedBytes -= entry.text.size();
            entries.pop_front();
        }
        writing = true;
        locked.unlock();
        const bool written = broken ? false : writeAll(text);
        locked.lock();
        writing = false;
        if (!written)
            broken = true;
        changed.notify_all();
    }
}

LineWriter::LineWriter(int fileDescriptor) : queue(std::make_shared<Queue>())
{
    queue->fileDescriptor = fileDescriptor;
    std::thread(&Queue::run, queue).detach();
}

LineWriter::~LineWriter()
{
    waitUntilWritten(FinalDrainMs);
    std::lock_guard<std::mutex> locked(queue->lock);
    queue->closing = true;
    queue->changed.notify_all();
}

void LineWriter::write(const QString& line)
{
    QByteArray text = line.toLocal8Bit();
    text += '\n';
    std::lock_guard<std::mutex> locked(queue->lock);
    if (queue->closing)
        return;
    if (queue->queuedBytes + text.size() > MaxQueuedBytes) {
        if (queue->entries.empty() || queue->entries.back().dropped == 0)
            queue->entries.push_back({QByteArray(), 0});
        ++queue->entries.back().dropped;
        queue->changed.notify_all();
        return;
    }
    queue->queuedBytes += text.size();
    queue->entries.push_back({std::move(text), 0});
    queue->changed.notify_all();
}

bool LineWriter::waitUntilWritten(int timeoutMs) const
{
    std::unique_lock<std::mutex> locked(queue->lock);
    return queue->changed.wait_for(locked, std::chrono::milliseconds(timeoutMs), [this] {
        return (queue->entries.empty() && !queue->writing) || queue->broken;
    });
}

void writeStandardOutputLine(const QString& line)
{
    static LineWriter standardOutput(STDOUT_FILENO);
    standardOutput.write(line);
}
