// The writer of the diagnostic lines: a reader that stops reading never stops the writing
// thread; what did not fit is counted and said once the reader reads again.
#include "diagnostics/linewriter.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

class LineWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void readerThatStopsReadingCostsLinesNotTime();
};

namespace {

// Reads what the pipe holds now, without waiting for more.
QByteArray readAvailable(int fileDescriptor)
{
    QByteArray all;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fileDescriptor, buffer, sizeof buffer);
        if (got <= 0)
            return all;
        all.append(buffer, got);
    }
}

} // namespace

void LineWriterTest::readerThatStopsReadingCostsLinesNotTime()
{
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    QCOMPARE(::fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);
    {
        LineWriter writer(ends[1]);
        // Far more than the pipe and the queue hold together: with a blocking write this call
        // would never return, as the window froze behind a paused terminal.
        const int written = 20000;
        for (int i = 0; i < written; ++i)
            writer.write(QStringLiteral("line %1 of a reader that sleeps").arg(i, 5, 10, QChar('0')));
        const quint64 dropped = writer.droppedLines();
        QVERIFY(dropped > 0);
        QVERIFY(dropped < quint64(written));

        // The reader wakes up: the lines come in order, and in place of each run of dropped ones
        // a line that counts them.
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += readAvailable(ends[0]), writer.waitUntilWritten(0)), 10000);
        output += readAvailable(ends[0]);
        writer.write(QStringLiteral("after the pause"));
        QTRY_VERIFY((output += readAvailable(ends[0])).endsWith("\nafter the pause\n"));

        const QRegularExpression notice("^(\\d+) lines of output dropped: it was not read in time$");
        quint64 kept = 0, counted = 0;
        for (const QByteArray& line : output.split('\n').mid(0, output.count('\n') - 1)) {
            const QRegularExpressionMatch match = notice.match(QString::fromUtf8(line));
            if (match.hasMatch())
                counted += match.captured(1).toULongLong();
            else
                QCOMPARE(line, QStringLiteral("line %1 of a reader that sleeps")
                                   .arg(kept + counted, 5, 10, QChar('0'))
                                   .toUtf8());
            kept += match.hasMatch() ? 0 : 1;
        }
        QCOMPARE(counted, dropped);
        QCOMPARE(kept + counted, quint64(written));
        QVERIFY(writer.waitUntilWritten(1000));
    }
    ::close(ends[0]);
    ::close(ends[1]);
}

VELMORA_REGISTER_TEST(LineWriterTest)

#include "tst_linewriter.moc"
