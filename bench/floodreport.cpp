#include "floodreport.h"

namespace {

bool readNumbers(const QList<QByteArray>& words, qsizetype count, QList<qint64>* numbers)
{
    if (words.size() != count + 1)
        return false;
    numbers->clear();
    for (qsizetype i = 1; i < words.size(); ++i) {
        bool ok = false;
        numbers->append(words[i].toLongLong(&ok));
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QByteArray FloodReport::toText() const
{
    QByteArray text;
    text += "sent " + QByteArray::number(dmxSent) + ' ' + QByteArray::number(timecodeSent) + ' ' +
            QByteArray::number(pollsSent) + ' ' + QByteArray::number(sendErrors) + '\n';
    text += "span " + QByteArray::number(firstSendNs) + ' ' + QByteArray::number(lastSendNs) + ' ' +
            QByteArray::number(maxLagNs) + '\n';
    text += "replies " + QByteArray::number(repliesObserved ? 1 : 0) + ' ' + QByteArray::number(pollReplies) +
            '\n';
    for (const TimecodeSend& send : timecodeSends)
        text += "timecode " + QByteArray::number(send.sender) + ' ' + QByteArray::number(send.frame) + ' ' +
                QByteArray::number(send.sentNs) + '\n';
    text += "end\n";
    return text;
}

std::optional<FloodReport> FloodReport::fromText(const QByteArray& text)
{
    FloodReport report;
    bool haveSent = false, haveSpan = false, haveReplies = false, ended = false;
    QList<qint64> n;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (line.trimmed().isEmpty())
            continue;
        if (ended)
            return std::nullopt;
        const QByteArray& key = words.first();
        if (key == "sent" && readNumbers(words, 4, &n)) {
            report.dmxSent = n[0];
            report.timecodeSent = n[1];
            report.pollsSent = n[2];
            report.sendErrors = n[3];
            haveSent = true;
        } else if (key == "span" && readNumbers(words, 3, &n)) {
            report.firstSendNs = n[0];
            report.lastSendNs = n[1];
            report.maxLagNs = n[2];
            haveSpan = true;
        } else if (key == "replies" && readNumbers(words, 2, &n)) {
            report.repliesObserved = n[0] != 0;
            report.pollReplies = n[1];
            haveReplies = true;
        } else if (key == "timecode" && readNumbers(words, 3, &n)) {
            report.timecodeSends.append({int(n[0]), n[1], n[2]});
        } else if (key == "end" && words.size() == 1) {
            ended = true;
        } else {
            return std::nullopt;
        }
    }
    if (!(haveSent && haveSpan && haveReplies && ended) || report.timecodeSends.size() != report.timecodeSent)
        return std::nullopt;
    return report;
}
