#include "floodreport.h"

QByteArray FloodReport::toText() const
{
    QByteArray text = "totals";
    for (qint64 n : {dmxSent, timecodeSent, pollsSent, sendErrors, firstSendNs, lastSendNs, maxLagNs,
                     qint64(repliesObserved), pollReplies})
        text += ' ' + QByteArray::number(n);
    text += '\n';
    for (const TimecodeSend& send : timecodeSends)
        text += "timecode " + QByteArray::number(send.sender) + ' ' + QByteArray::number(send.frame) + ' ' +
                QByteArray::number(send.sentNs) + '\n';
    return text + "end\n";
}

std::optional<FloodReport> FloodReport::fromText(const QByteArray& text)
{
    FloodReport report;
    bool haveTotals = false;
    const QList<QByteArray> lines = text.trimmed().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.simplified().split(' ');
        QList<qint64> n;
        for (qsizetype i = 1; i < words.size(); ++i) {
            bool ok = false;
            n.append(words[i].toLongLong(&ok));
            if (!ok)
                return std::nullopt;
        }
        if (words[0] == "totals" && n.size() == 9) {
            report = {n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7] != 0, n[8], {}};
            haveTotals = true;
        } else if (words[0] == "timecode" && n.size() == 3) {
            report.timecodeSends.append({int(n[0]), n[1], n[2]});
        } else if (!(words[0] == "end" && n.isEmpty() && &line == &lines.last())) {
            return std::nullopt;
        }
    }
    // The last line closes the report: a sender that died half-way is not one that sent less.
    if (!haveTotals || lines.last() != "end" || report.timecodeSends.size() != report.timecodeSent)
        return std::nullopt;
    return report;
}
