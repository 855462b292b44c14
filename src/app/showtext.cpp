#include "showtext.h"

#include <QPainter>

ShowText::ShowText(Qt::Alignment textAlignment, QWidget* parent) : QWidget(parent), alignment(textAlignment)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ShowText::setText(const QString& text)
{
    if (text == shownText)
        return;
    shownText = text;
    const int width = fontMetrics().horizontalAdvance(text);
    if (width != textWidth) {
        textWidth = width;
        updateGeometry();
    }
    update();
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
