#include "layoutboundary.h"

#include <QEvent>

LayoutBoundary::LayoutBoundary(QWidget* heldWidget, QWidget* parent) : QWidget(parent), held(heldWidget)
{
    held->setParent(this);
    setSizePolicy(held->sizePolicy());
    setMinimumSize(held->minimumSize());
    passedHint = held->sizeHint();
    passedMinimum = held->minimumSizeHint();
}

QSize LayoutBoundary::sizeHint() const
{
    return passedHint;
}

QSize LayoutBoundary::minimumSizeHint() const
{
    return passedMinimum;
}

bool LayoutBoundary::event(QEvent* event)
{
    // From the held widget (see above), or from its updateGeometry() before its size was fixed;
    // it ends here unless the hints did change.
    if (event->type() == QEvent::LayoutRequest) {
        if (!held)
            return true;
        const QSize hint = held->sizeHint();
        const QSize minimum = held->minimumSizeHint();
        if (hint != passedHint || minimum != passedMinimum) {
            passedHint = hint;
            passedMinimum = minimum;
            updateGeometry();
        }
        return true;
    }
    return QWidget::event(event);
}

void LayoutBoundary::resizeEvent(QResizeEvent*)
{
    if (held) {
        held->setFixedSize(size());
        held->move(0, 0);
    }
}
