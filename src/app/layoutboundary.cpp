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
    // The held widget has no layout above it here, so its updateGeometry() posts this request
    // to its parent, and it ends here unless the hints did change.
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
    if (held)
        held->setGeometry(rect());
}
