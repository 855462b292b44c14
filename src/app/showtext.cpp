#include "showtext.h"

#include <QPainter>
#include <QtMath>

#include <utility>

ShowText::ShowText(Qt::Alignment textAlignment, QWidget* parent) : QWidget(parent), alignment(textAlignment)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int ShowText::advance(QStringView text)
{
    // Summed from each character's advance, kept per font: shaping the line anew at every frame
    // to learn where its last digits are costs more than drawing them. Kerning is left out; the
    // margins below make up for it.
    if (advancesFont != font()) {
        advances.clear();
        advancesFont = font();
    }
    qreal sum = 0;
    const QFontMetricsF metrics(font());
    for (const QChar character : text) {
        auto found = advances.constFind(character);
        if (found == advances.constEnd())
            found = advances.insert(character, metrics.horizontalAdvance(character));
        sum += *found;
    }
    return qCeil(sum);
}

void ShowText::setText(const QString& text)
{
    if (text == shownText)
        return;
    const QString before = std::exchange(shownText, text);
    const int widthBefore = textWidth;
    const int margin = fontMetrics().height() / 4;
    textWidth = advance(text) + margin;
    if (textWidth != widthBefore)
        updateGeometry();
    // A countdown changes its last digits only: left-aligned and not cut short, the text is
    // repainted from the first character that changed (a few digits, not the window's width).
    const bool whole = !(alignment & Qt::AlignLeft) || qMax(textWidth, widthBefore) > width();
    if (whole) {
        update();
        return;
    }
    qsizetype same = 0;
    while (same < before.size() && same < text.size() && before[same] == text[same])
        ++same;
    // A glyph may reach a little into its neighbour's cell; the margin covers that.
    const int from = qMax(0, advance(QStringView(text).left(same)) - margin);
    update(from, 0, qMax(textWidth, widthBefore) - from + margin, height());
}

QSize ShowText::sizeHint() const
{
    return {textWidth, fontMetrics().height()};
}

QSize ShowText::minimumSizeHint() const
{
    // A long file name gives way to the rest of the line; it is cut short with an ellipsis.
    return {1, fontMetrics().height()};
}

void ShowText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Eliding shapes the whole line once more; a line that fits (the countdown at every frame)
    // is drawn as it is.
    const int flags = int(alignment | Qt::AlignVCenter);
    if (textWidth <= width())
        painter.drawText(rect(), flags, shownText);
    else
        painter.drawText(rect(), flags, fontMetrics().elidedText(shownText, Qt::ElideRight, width()));
}
