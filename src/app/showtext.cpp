#include "showtext.h"

#include <QPainter>

#include <utility>

ShowText::ShowText(Qt::Alignment textAlignment, QWidget* parent) : QWidget(parent), alignment(textAlignment)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ShowText::setText(const QString& text)
{
    if (text == shownText)
        return;
    const QString before = std::exchange(shownText, text);
    const int widthBefore = textWidth;
    textWidth = fontMetrics().horizontalAdvance(text);
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
    const int from = qMax(0, fontMetrics().horizontalAdvance(text.left(same)) - fontMetrics().height() / 4);
    update(from, 0, qMax(textWidth, widthBefore) - from + fontMetrics().height() / 4, height());
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
    painter.drawText(rect(), int(alignment | Qt::AlignVCenter),
                     fontMetrics().elidedText(shownText, Qt::ElideRight, width()));
}
