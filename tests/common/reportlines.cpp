#include "reportlines.h"

#include <QDeadlineTimer>
#include <QTest>

ReportLines::ReportLines() : shared(std::make_shared<Shared>()) {}

std::function<void(const QString& line)> ReportLines::writer() const
{
    return [shared = shared](const QString& line) {
        QMutexLocker lock(&shared->mutex);
        shared->lines.append(line);
    };
}

QStringList ReportLines::lines() const
{
    QMutexLocker lock(&shared->mutex);
    return shared->lines;
}

QStringList ReportLines::matching(const QString& text) const
{
    return lines().filter(text);
}

bool ReportLines::waitFor(const QString& text, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (matching(text).isEmpty()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}
