#include "timecodetext.h"

#include <QFont>
#include <QFontMetrics>

namespace TimecodeText {

namespace {

// At least two digits; a value above 99 (nothing on the wire stops one) keeps all three.
void appendField(QString& text, quint8 value)
{
    if (value > 99)
        text += QLatin1Char(char('0' + value / 100));
    text += QLatin1Char(char('0' + value / 10 % 10));
    text += QLatin1Char(char('0' + value % 10));
}

QFont labelFont(const QString& family, int pointSize)
{
    return QFont(family, pointSize, QFont::Bold, false);
}

} // namespace

QString frameRateName(quint8 type)
{
    switch (type) {
    case 0:
        return QStringLiteral("24 FPS");
    case 1:
        return QStringLiteral("25 FPS");
    case 2:
        return QStringLiteral("30 Drop");
    case 3:
        return QStringLiteral("30 FPS");
    default:
        return QString();
    }
}

QString timecode(const ArtTimecode& timecode)
{
    // Built for every sender at every tick: digit by digit, not through QString::arg.
    QString text;
    text.reserve(15);
    appendField(text, timecode.hours);
    text += QLatin1Char(':');
    appendField(text, timecode.minutes);
    text += QLatin1Char(':');
    appendField(text, timecode.seconds);
    text += QLatin1Char(':');
    appendField(text, timecode.frames);
    return text;
}

int labelFontSize(const QString& family, const QString& text, QSize labelSize)
{
    const int targetHeight = (2 * labelSize.height()) / 3;
    const int targetWidth = (2 * labelSize.width()) / 3;
    const auto reachesLimit = [&](int pointSize) {
        const QFontMetrics metrics(labelFont(family, pointSize));
        return metrics.height() >= targetHeight || metrics.horizontalAdvance(text) >= targetWidth;
    };

    // Line height and text width grow with the point size, so the first size that reaches a
    // limit can be found by halving instead of trying every size up to 1000 on each resize.
    constexpr int first = BaseFontSize + 1;
    constexpr int last = LargestSearchedSize - 1;
    if (reachesLimit(first))
        return BaseFontSize;
    if (!reachesLimit(last))
        return BaseFontSize;
    int fits = first; // reachesLimit(fits) is false
    int fails = last; // reachesLimit(fails) is true
    while (fails - fits > 1) {
        const int middle = fits + (fails - fits) / 2;
        if (reachesLimit(middle))
            fails = middle;
        else
            fits = middle;
    }
    return fails - 1;
}

int shownLabelFontSize(const QString& family, const QString& text, QSize labelSize)
{
    int size = labelFontSize(family, text, labelSize);
    const QRect label(QPoint(0, 0), labelSize);
    const auto fits = [&](int pointSize) {
        const QFontMetrics metrics(labelFont(family, pointSize));
        const QSize block = metrics.boundingRect(label, Qt::AlignCenter, text).size();
        return block.width() <= labelSize.width() && block.height() <= labelSize.height();
    };
    while (size > SmallestShownSize && !fits(size))
        --size;
    return size;
}

QColor dimmedColour(const QColor& text, const QColor& background)
{
    const auto mix = [](float over, float under) {
        return float(over * DimmedShare + under * (1 - DimmedShare));
    };
    return QColor::fromRgbF(mix(text.redF(), background.redF()), mix(text.greenF(), background.greenF()),
                            mix(text.blueF(), background.blueF()));
}

} // namespace TimecodeText
