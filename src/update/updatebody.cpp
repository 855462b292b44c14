#include "update/updatebody.h"

#include <QStringList>

#include <algorithm>

namespace UpdateBody {

namespace {

const QString Key = QStringLiteral("version:");

bool isNewer(const VersionNumbers& published, const VersionNumbers& current)
{
    // The first position in which they differ decides; equal versions are not newer.
    for (size_t i = 0; i < published.size(); ++i) {
        if (published[i] != current[i])
            return published[i] > current[i];
    }
    return false;
}

} // namespace

VersionNumbers readVersion(QStringView text)
{
    VersionNumbers numbers{0, 0, 0, 0};
    size_t count = 0;
    for (const QStringView piece : text.tokenize(QLatin1Char('.'))) {
        if (count == numbers.size())
            break;
        bool ok = false;
        // toInt accepts white space around the digits and a sign; a piece that does not convert
        // takes no position, so "1.x.2" reads as 1.2.
        const int number = piece.toInt(&ok, 10);
        if (ok)
            numbers[count++] = number;
    }
    return numbers;
}

std::optional<VersionNumbers> newerVersion(QByteArrayView body, const VersionNumbers& current)
{
    body = body.first(qMin(body.size(), MaxBodyBytes));
    const qsizetype zero = body.indexOf('\0');
    if (zero >= 0)
        body = body.first(zero);

    const QString text = QString::fromLatin1(body);
    for (const QStringView line : QStringView(text).tokenize(QLatin1Char('\n'))) {
        const qsizetype key = line.indexOf(Key, 0, Qt::CaseInsensitive);
        if (key < 0)
            continue;
        const VersionNumbers published = readVersion(line.mid(key + Key.size()));
        const bool anyAboveZero =
            std::any_of(published.begin(), published.end(), [](int number) { return number > 0; });
        if (anyAboveZero && isNewer(published, current))
            return published;
    }
    return std::nullopt;
}

QString versionText(const VersionNumbers& version)
{
    return QStringLiteral("%1.%2.%3.%4").arg(version[0]).arg(version[1]).arg(version[2]).arg(version[3]);
}

} // namespace UpdateBody
